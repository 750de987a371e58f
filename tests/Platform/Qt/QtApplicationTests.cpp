#include <gtest/gtest.h>

#include <optional>

#include "ApplicationScenario.h"

namespace platform::testing {
namespace {

struct Ending {
    const char* scenario;
    const char* expectedReport;
    // Nothing: the process ends inside the loop, run() never returns.
    std::optional<int> expectedRunResult;
    int expectedExitCode = 0;
};

void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.scenario; }

class QtApplicationEnding : public ::testing::TestWithParam<Ending> {};

// Every ending reports launching before the will-terminate hook, runs that hook
// exactly once, returns from run() and gives the signal handlers back.
TEST_P(QtApplicationEnding, RunsTheWillTerminateHookExactlyOnce) {
    const Ending& ending = GetParam();
    const ScenarioOutcome outcome = playApplicationScenarioInCopy(ending.scenario, std::chrono::seconds(60));
    ASSERT_TRUE(outcome.started);

    const std::string returned =
        ending.expectedRunResult
            ? "run returned " + std::to_string(*ending.expectedRunResult) + "\ndefault handlers back\n"
            : "";
    EXPECT_EQ(outcome.output, ending.expectedReport + returned);
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.exitCode, ending.expectedExitCode);
}

INSTANTIATE_TEST_SUITE_P(Endings, QtApplicationEnding,
                         ::testing::Values(Ending{"sigterm", "launched\nwill terminate\n", 0},
                                           Ending{"sigint", "launched\nwill terminate\n", 0},
                                           Ending{"terminate twice then quit", "launched\nwill terminate\n", 0},
                                           Ending{"qt quit", "launched\nwill terminate\n", 0},
                                           Ending{"qt exit code", "launched\nwill terminate\n", 3},
                                           // Nothing is left to run: no launch, and run() does not block.
                                           Ending{"terminate before run", "will terminate\n", 0},
                                           // Qt's X11 plugin warns, then exits with 1 from inside the loop.
                                           Ending{"x11 connection broke", "launched\nwill terminate\n", std::nullopt,
                                                  1}),
                         [](const ::testing::TestParamInfo<Ending>& ending) {
                             std::string name = ending.param.scenario;
                             for (char& c : name) {
                                 if (c == ' ') c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace platform::testing
