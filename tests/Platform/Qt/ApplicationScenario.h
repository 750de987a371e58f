#pragma once
#include <chrono>
#include <string>
#include <string_view>

namespace platform::testing {

// The application tests need a process without a QApplication of its own, so
// the test program runs them in a fresh copy of itself: the child finds the
// scenario's name in this environment variable, plays it with a QtApplication
// and reports on standard output, one line per event.
inline constexpr const char* kApplicationScenarioVariable = "TESSIVAR_QT_APP_SCENARIO";

// How the copy playing a scenario ended.
struct ScenarioOutcome {
    bool started = false;
    std::string output;   // its standard output; its standard error goes to ours
    bool exited = false;  // false: still running at the bound, or died of a signal
    int exitCode = -1;
};

// Plays `name` in a copy of this program, waiting no longer than `bound`; a
// copy still running then is ended before this returns.
ScenarioOutcome playApplicationScenarioInCopy(std::string_view name, std::chrono::milliseconds bound);

// The scenario this process should play, or null for an ordinary test run.
const char* requestedApplicationScenario();
int runApplicationScenario(std::string_view name, int& argc, char** argv);

}  // namespace platform::testing
