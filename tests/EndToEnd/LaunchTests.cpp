#include <sys/wait.h>

#include <gtest/gtest.h>
#include <algorithm>

#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XServerProcess.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using tessivar::testing::MonitorGeometry;

namespace {

// Index of the first line containing `text`, or -1.
long indexOf(const std::vector<std::string>& lines, const std::string& text) {
    auto found = std::find_if(lines.begin(), lines.end(),
                              [&](const std::string& line) { return line.find(text) != std::string::npos; });
    return found == lines.end() ? -1 : static_cast<long>(found - lines.begin());
}

TEST(TessivarProgram, LaunchesListsTheDisplaysAndQuitsCleanlyOnSigterm) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}}))
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);

    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    ASSERT_TRUE(tessivar.started());
    ASSERT_TRUE(tessivar.waitForLine("🖥️ 屏幕 2: ", 15s)) << "launch log never completed";

    const auto lines = tessivar.lines();
    const long hotkeys = indexOf(lines, "[Tessivar] ✓ Hotkeys 监听已启动");
    const long started = static_cast<long>(std::find(lines.begin(), lines.end(), "[Tessivar] ") - lines.begin());
    const long ready = indexOf(lines, "✅ Tessivar 已启动");
    const long hint = indexOf(lines, "[Tessivar] ⌨️ 使用全局快捷键快速跳转屏幕");
    const long first = indexOf(lines, "[Tessivar] 🖥️ 屏幕 1: DUMMY0 (0.0, 0.0, 1920.0 × 1080.0, 缩放 1.0)");
    const long second =
        indexOf(lines, "[Tessivar] 🖥️ 屏幕 2: DUMMY1 (1920.0, 56.0, 1280.0 × 1024.0, 缩放 1.0)");
    EXPECT_GE(hotkeys, 0);
    EXPECT_LT(hotkeys, started) << "hot keys are registered before the ready line";
    EXPECT_EQ(started + 1, ready) << "the ready line starts with a line feed";
    EXPECT_LT(ready, hint);
    EXPECT_LT(hint, first);
    EXPECT_EQ(first + 1, second);
    EXPECT_EQ(indexOf(lines, "🖥️ 屏幕 3"), -1);

    const int status = tessivar.terminate();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A second launch in the same session would find every hot key taken, show a
// second icon and send the queued events again: it says so and leaves at once.
TEST(TessivarProgram, ASecondLaunchInTheSameSessionSaysTessivarIsRunningAndLeaves) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    platform::TemporaryDirectory home;
    using Process = tessivar::testing::TessivarProcess;
    Process first(TESSIVAR_BINARY, server.displayName(), Process::Home{home.path(), "first.log"});
    ASSERT_TRUE(first.waitForLine("✅ Tessivar 已启动", 15s));

    Process second(TESSIVAR_BINARY, server.displayName(), Process::Home{home.path(), "second.log"});
    const auto status = second.waitForExit(15s);
    ASSERT_TRUE(status.has_value()) << "the second launch kept running";
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
    EXPECT_EQ(second.lines(),
              (std::vector<std::string>{"[Tessivar] ℹ️ Tessivar 已在运行，本次启动直接退出。"}));

    // Once the first copy is gone the next launch is the one.
    EXPECT_EQ(first.terminate(), 0);
    Process third(TESSIVAR_BINARY, server.displayName(), Process::Home{home.path(), "third.log"});
    EXPECT_TRUE(third.waitForLine("✅ Tessivar 已启动", 15s));
    EXPECT_EQ(third.countLines("已在运行"), 0);
    EXPECT_EQ(third.terminate(), 0);
}

// Without XFixes the pointer stays in sight through every effect, and nothing
// but the launch's log says why.
TEST(TessivarProgram, OnAServerWithoutXFixesTheLaunchSaysThePointerCannotBeHidden) {
    tessivar::testing::XServerProcess server("tessivar-xvfb");
    const auto withoutXFixes = [](const std::string& displayName, const std::filesystem::path&) {
        return std::vector<std::string>{"Xvfb", displayName, "-extension", "XFIXES", "-nolisten", "tcp", "-noreset"};
    };
    if (auto error = server.start(withoutXFixes)) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    EXPECT_TRUE(tessivar.waitForLine("[Tessivar] ⚠️ X 服务器不支持 XFixes，无法隐藏指针。", 15s));
    EXPECT_EQ(tessivar.countLines("无法连接 X 服务器"), 0) << "the server itself is there";
}

}  // namespace
