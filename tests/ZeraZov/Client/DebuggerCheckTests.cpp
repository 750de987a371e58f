#include <gtest/gtest.h>

#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ZeraZov/Client/Integrations/Private/TracerPid.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovErrorTrackingAutoCaptureIntegration.h"

namespace zerazov::testing {
namespace {

TEST(DebuggerCheck, TheTracerIsReadFromTheStatusText) {
    const std::vector<std::pair<std::string, std::optional<long>>> cases{
        {"Name:\tcat\nState:\tR (running)\nTracerPid:\t0\nUid:\t0\n", 0},
        {"Name:\tgdb-child\nTracerPid:\t4242\n", 4242},
        {"TracerPid: 17", 17},
        {"Name:\tx\nPPid:\t1\n", std::nullopt},
        {"TracerPid:\t\n", std::nullopt},
        {"TracerPid:\t12x\n", std::nullopt},
        {"NotTracerPid:\t3\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [status, pid] : cases) EXPECT_EQ(tracerPid(status), pid) << status;
}

// A child that asks to be traced by this test sees a debugger; this test itself,
// run without one, does not.
TEST(DebuggerCheck, ATracedProcessSeesItsDebugger) {
    if (ZeraZovErrorTrackingAutoCaptureIntegration::isDebuggerAttached()) GTEST_SKIP() << "run under a debugger";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(2);
        _exit(ZeraZovErrorTrackingAutoCaptureIntegration::isDebuggerAttached() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "tracing is not allowed here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace zerazov::testing
