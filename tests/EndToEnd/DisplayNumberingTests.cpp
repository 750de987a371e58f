#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DesktopCommands.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using tessivar::testing::PointerPosition;
using tessivar::testing::pressKeys;
using tessivar::testing::runXrandr;
using tessivar::testing::TessivarProcess;
using tessivar::testing::waitUntil;

namespace {

constexpr const char* kDisplaysChanged = "🔄 显示器已变化";

// The display list the program logged last, one "🖥️ 屏幕" line a display.
std::vector<std::string> lastDisplayList(const TessivarProcess& tessivar) {
    std::vector<std::string> list;
    for (const auto& line : tessivar.lines()) {
        if (line.find(kDisplaysChanged) != std::string::npos) list.clear();
        if (line.find("🖥️ 屏幕 ") != std::string::npos) list.push_back(line.substr(line.find("屏幕 ")));
    }
    return list;
}

// Waits for the program to have logged `changes` display changes in all.
bool waitForChanges(const TessivarProcess& tessivar, long changes) {
    return waitUntil([&] { return tessivar.countLines(kDisplaysChanged) >= changes; }, 5s);
}

class DisplayNumbering : public ::testing::Test {
protected:
    void start(const std::vector<tessivar::testing::MonitorGeometry>& monitors, PointerPosition pointer) {
        if (auto error = server.start(monitors)) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
        observer = std::make_unique<tessivar::testing::X11Observer>(server.displayName());
        ASSERT_TRUE(observer->warpPointer(pointer));
        tessivar = std::make_unique<TessivarProcess>(TESSIVAR_BINARY, server.displayName());
        ASSERT_TRUE(tessivar->waitForLine("⌨️ 使用全局快捷键快速跳转屏幕", 15s));
    }

    void xrandr(const std::string& arguments) { ASSERT_EQ(runXrandr(server.displayName(), arguments), ""); }

    // Presses Alt+`digit` and waits for the pointer to land on `expected`.
    ::testing::AssertionResult jump(const char* digit, PointerPosition expected) {
        if (auto failure = pressKeys(server.displayName(), std::string("alt+") + digit); !failure.empty()) {
            return ::testing::AssertionFailure() << failure;
        }
        if (waitUntil([&] { return observer->pointer() == expected; }, 5s)) return ::testing::AssertionSuccess();
        const auto at = observer->pointer().value_or(PointerPosition{-1, -1});
        return ::testing::AssertionFailure() << "Alt+" << digit << " left the pointer at (" << at.x << ", " << at.y
                                             << "), not (" << expected.x << ", " << expected.y << ")";
    }

    tessivar::testing::XorgDummyServer server;
    std::unique_ptr<tessivar::testing::X11Observer> observer;
    std::unique_ptr<TessivarProcess> tessivar;
};

// Qt appends a display that comes back at the end of its own list; the user's
// numbers must not follow that history.
TEST_F(DisplayNumbering, NumbersFollowTheServersOutputOrderThroughReplugAndANewPrimary) {
    start({{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}, {1024, 768, 3200, 0}}, {300, 200});

    xrandr("--output DUMMY1 --off");
    ASSERT_TRUE(waitForChanges(*tessivar, 1));
    EXPECT_EQ(lastDisplayList(*tessivar).size(), 2u);
    xrandr("--output DUMMY1 --mode 1280x1024 --pos 1920x0");
    ASSERT_TRUE(waitForChanges(*tessivar, 2));
    EXPECT_EQ(lastDisplayList(*tessivar),
              (std::vector<std::string>{"屏幕 1: DUMMY0 (0.0, 0.0, 1920.0 × 1080.0, 缩放 1.0)",
                                        "屏幕 2: DUMMY1 (1920.0, 56.0, 1280.0 × 1024.0, 缩放 1.0)",
                                        "屏幕 3: DUMMY2 (3200.0, 312.0, 1024.0 × 768.0, 缩放 1.0)"}));
    EXPECT_TRUE(jump("2", {2560, 512})) << "display 2 is still the re-plugged DUMMY1";
    EXPECT_TRUE(jump("3", {3712, 384}));

    // The new primary is display 1; the rest keep the server's order.
    xrandr("--output DUMMY2 --primary");
    ASSERT_TRUE(waitForChanges(*tessivar, 3));
    const auto list = lastDisplayList(*tessivar);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].rfind("屏幕 1: DUMMY2", 0), 0u) << list[0];
    EXPECT_EQ(list[1].rfind("屏幕 2: DUMMY0", 0), 0u) << list[1];
    EXPECT_EQ(list[2].rfind("屏幕 3: DUMMY1", 0), 0u) << list[2];
    EXPECT_TRUE(jump("2", {300, 200})) << "where the pointer left DUMMY0";
    EXPECT_TRUE(jump("1", {3712, 384})) << "where the pointer left DUMMY2";
}

TEST_F(DisplayNumbering, AMirroredOutputIsNoDisplayOfItsOwnAndAShrunkDisplayKeepsItsRememberedPoint) {
    start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}, {1024, 768, 3840, 0}}, {3800, 1000});
    ASSERT_TRUE(jump("1", {960, 540}));  // remembers (1880, 1000) on DUMMY1

    // DUMMY1 shrinks to 1280 wide: its remembered point now lies beyond its edge.
    ASSERT_EQ(server.setMonitors({{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}, {1024, 768, 3200, 0}}), std::nullopt);
    ASSERT_TRUE(waitForChanges(*tessivar, 1));
    EXPECT_TRUE(jump("2", {3199, 1000})) << "pulled onto DUMMY1's last column, not onto the next monitor";
    EXPECT_TRUE(tessivar->waitForLine("↩️ 恢复屏幕 DUMMY1 的历史光标位置: (1279.0, 1000.0)", 5s));

    // DUMMY2 shows DUMMY0's picture: two outputs, one display.
    xrandr("--output DUMMY2 --same-as DUMMY0 --mode 1920x1080");
    ASSERT_TRUE(waitUntil([&] { return lastDisplayList(*tessivar).size() == 2; }, 5s));
    EXPECT_EQ(lastDisplayList(*tessivar),
              (std::vector<std::string>{"屏幕 1: DUMMY0 (0.0, 0.0, 1920.0 × 1080.0, 缩放 1.0)",
                                        "屏幕 2: DUMMY1 (1920.0, 56.0, 1280.0 × 1024.0, 缩放 1.0)"}));
    ASSERT_EQ(pressKeys(server.displayName(), "alt+3"), "");
    EXPECT_TRUE(tessivar->waitForLine("⚠️ 屏幕索引 2 超出范围 [0, 1]", 5s));
}

// Without an X server the program says why in one line and fails; Qt would
// otherwise abort with a message of its own.
TEST(TessivarProgram, WithoutAnXServerSaysWhyInOneLineAndExitsWithFailure) {
    struct Case {
        std::vector<std::string> environment;
        std::string why;
    };
    const std::vector<Case> cases = {
        {{"DISPLAY=", "WAYLAND_DISPLAY="}, "没有图形桌面（DISPLAY 未设置）"},
        {{"DISPLAY=", "WAYLAND_DISPLAY=wayland-0"}, "纯 Wayland 会话"},
        {{"DISPLAY=:1999", "WAYLAND_DISPLAY="}, "无法连接 X 显示服务器 :1999"},
    };
    for (const auto& c : cases) {
        platform::TemporaryDirectory home;
        const auto log = home.path() / "out.log";
        platform::UniqueFd fd(::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        auto environment = c.environment;
        environment.push_back("XDG_CONFIG_HOME=" + (home.path() / "config").string());
        environment.push_back("XDG_DATA_HOME=" + (home.path() / "data").string());
        tessivar::testing::ChildProcess child({TESSIVAR_BINARY}, {.outputFd = fd.get(), .environment = environment});
        fd.reset();  // the child holds its own copy
        const auto status = child.waitFor(10s);
        ASSERT_TRUE(status.has_value()) << c.why << ": still running";
        ASSERT_TRUE(WIFEXITED(*status)) << c.why << ": ended by signal " << WTERMSIG(*status);
        EXPECT_EQ(WEXITSTATUS(*status), 1) << c.why;
        std::ifstream file(log);
        std::stringstream text;
        text << file.rdbuf();
        const std::string output = text.str();
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_EQ(output.rfind("[Tessivar] ✗ Tessivar 无法运行：", 0), 0u) << output;
        EXPECT_NE(output.find(c.why), std::string::npos) << output;
    }
}

}  // namespace
