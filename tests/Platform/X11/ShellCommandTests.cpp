#include <string>

#include <gtest/gtest.h>

#include "tests/support/ShellCommand.h"
#include "tests/support/WaitUntil.h"

namespace tessivar::testing {
namespace {

using namespace std::chrono_literals;

// A killed process whose parent is gone stays a zombie until init reaps it.
bool runs(int pid) { return liveProcessName(pid).has_value(); }

// The harness runs xrandr through this; a hung command must not hang a test.
TEST(ShellCommandTest, ACommandPastItsTimeoutIsEndedWithWhatItStarted) {
    // Time enough for a shell on a loaded machine to start and print the pid,
    // far short of the sleep.
    ShellCommandResult result = runShellCommand("sleep 30 & echo $!; wait", 3s);

    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.exitCode.has_value());
    ASSERT_FALSE(result.output.empty()) << "the shell printed no pid before its timeout";
    int sleeper = std::stoi(result.output);
    EXPECT_TRUE(waitUntil([&] { return !runs(sleeper); }, 10s)) << "sleep " << sleeper << " still runs";
}

TEST(ShellCommandTest, ReportsOutputAndExitCode) {
    ShellCommandResult result = runShellCommand("echo out; echo err >&2; exit 3", 5s);

    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "out\nerr\n");
}

TEST(ShellCommandTest, QuotesAnyTextAsOneWord) {
    std::string text = "it's a \"word\" $HOME `x`";
    ShellCommandResult result = runShellCommand("printf '%s' " + shellQuoted(text), 5s);

    EXPECT_EQ(result.output, text);
}

}  // namespace
}  // namespace tessivar::testing
