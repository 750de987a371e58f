#include <sys/wait.h>

#include <gtest/gtest.h>

#include <iostream>
#include <thread>

#include "tests/EndToEnd/DesktopSession.h"
#include "tests/support/DesktopCommands.h"
#include "tests/support/OpenboxSession.h"
#include "tests/support/RecordedKeyPresses.h"
#include "tests/support/SystemTrayPanel.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XTestKeyboard.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using tessivar::testing::PointerPosition;
using tessivar::testing::pressKeys;

namespace {

TEST(TessivarProgram, OptionDigitJumpsBetweenDisplaysAndComesBackToWhereItLeft) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}}))
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    tessivar::testing::X11Observer observer(server.displayName());
    ASSERT_TRUE(observer.warpPointer({300, 200}));

    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    ASSERT_TRUE(tessivar.waitForLine("✓ Hotkeys 监听已启动", 15s));
    ASSERT_TRUE(tessivar.waitForLine("⌨️ 使用全局快捷键快速跳转屏幕", 15s));

    ASSERT_EQ(pressKeys(server.displayName(), "alt+2"), "");
    EXPECT_TRUE(tessivar::testing::waitUntil(
        [&] {
            return observer.pointer() == PointerPosition{2880, 540};
        },
        5s))
        << "first visit: the centre of display 2";

    ASSERT_EQ(pressKeys(server.displayName(), "alt+1"), "");
    EXPECT_TRUE(tessivar::testing::waitUntil(
        [&] {
            return observer.pointer() == PointerPosition{300, 200};
        },
        5s))
        << "back where the pointer left display 1";
    EXPECT_TRUE(tessivar.waitForLine("↩️ 恢复屏幕 DUMMY0 的历史光标位置: (300.0, 200.0)", 5s));

    tessivar.terminate();
}

// Quitting while a locating effect is still on screen: its pending removal holds
// the effect's window, which must go before the program's windows do, not in the
// middle of the toolkit's teardown.
TEST(TessivarProgram, QuitsCleanlyWhileALocatingEffectIsShowing) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}}))
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    tessivar::testing::X11Observer observer(server.displayName());
    for (const char* effect : {"scale", "ripple"}) {
        SCOPED_TRACE(effect);
        tessivar::testing::TessivarProcess tessivar(
            TESSIVAR_BINARY, server.displayName(),
            std::string(R"({"hasCompletedOnboarding": true, "visualEffectType": ")") + effect + "\"}");
        ASSERT_TRUE(tessivar.waitForLine("⌨️ 使用全局快捷键快速跳转屏幕", 15s));
        ASSERT_TRUE(observer.warpPointer({300, 200}));
        ASSERT_EQ(pressKeys(server.displayName(), "alt+2"), "");
        ASSERT_TRUE(tessivar.waitForLine("💥 触发定位动画", 5s));
        const int status = tessivar.terminate();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

// What the server made of Alt+1 and Alt+2 and what the program did with it.
class StormCount {
public:
    explicit StormCount(const std::string& displayName) : ones_(displayName, "1"), twos_(displayName, "2") {}
    bool isRecording() const { return ones_.isRecording() && twos_.isRecording(); }

    // Once the server has made `sent` presses and the program has caught up
    // with them: a jump for every press, and one jump event for the analytics
    // (those are written in batches, the last once the presses have stopped
    // for a moment).
    void expectAJumpForEveryPress(const tessivar::testing::TessivarProcess& tessivar, int sent) {
        int made = 0;
        EXPECT_TRUE(tessivar::testing::waitUntil([&] { return (made = ones_.count() + twos_.count()) >= sent; }, 10s))
            << "the server made " << made << " of " << sent << " presses";
        const auto jumps = [&] { return tessivar.countLines("🎯 瞬间移动到屏幕 "); };
        const auto captured = [&] { return tessivar.countLines("Captured: jump_triggered"); };
        tessivar::testing::waitUntil([&] { return jumps() >= made && captured() >= made; }, 20s);
        std::cout << "[storm] sent " << sent << ", made by the server " << made << ", jumps " << jumps()
                  << ", jump events " << captured() << "\n";
        EXPECT_EQ(jumps(), made);
        EXPECT_EQ(captured(), made);
    }

private:
    tessivar::testing::RecordedKeyPresses ones_;
    tessivar::testing::RecordedKeyPresses twos_;
};

constexpr auto kBetweenPresses = 55ms;  // about 18 presses a second

// A storm of display hot keys, Alt+2 and Alt+1 in turn at about 18 a second
// as a user hammering them types: every press the server makes is one jump.
TEST(TessivarProgram, EveryPressOfAStormOfHotKeysJumps) {
    constexpr int kPresses = 200;
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}}))
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    ASSERT_TRUE(tessivar.waitForLine("⌨️ 使用全局快捷键快速跳转屏幕", 15s));
    tessivar::testing::XTestKeyboard keyboard(server.displayName());
    ASSERT_TRUE(keyboard.isReady());
    StormCount count(server.displayName());
    ASSERT_TRUE(count.isRecording());

    for (int press = 0; press < kPresses; ++press) {
        keyboard.tap({"Alt_L", press % 2 == 0 ? "2" : "1"});
        std::this_thread::sleep_for(kBetweenPresses);
    }
    count.expectAJumpForEveryPress(tessivar, kPresses);
    EXPECT_EQ(tessivar.terminate(), 0);
}

// The storm typed with xdotool under a window manager with a tray, as a
// person's desktop has them, and every fifth time rolled as fast fingers do:
// Alt+2 goes down, then 1 before 2 comes up, and 1 comes up last. The 1 comes
// up after the grab its press came in ended, so its release goes to the
// focused window, and the next Alt+1 is a press all the same.
TEST(TessivarProgram, EveryPressOfAStormTypedUnderAWindowManagerJumpsRolledOnesToo) {
    constexpr int kRounds = 150;
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}}))
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    tessivar::testing::OpenboxSession manager(server.displayName());
    ASSERT_EQ(manager.start(), std::nullopt);
    tessivar::testing::SystemTrayPanel tray(server.displayName());
    ASSERT_EQ(tray.start(), std::nullopt);
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    ASSERT_TRUE(tessivar.waitForLine("⌨️ 使用全局快捷键快速跳转屏幕", 15s));
    const tessivar::testing::DesktopSession desktop(server.displayName());
    StormCount count(server.displayName());
    ASSERT_TRUE(count.isRecording());

    int sent = 0;
    for (int round = 0; round < kRounds; ++round) {
        const bool rolled = round % 5 == 4;
        const auto typed = desktop.xdotool(rolled ? "keydown alt+2 keydown 1 keyup 2 keyup 1 keyup alt"
                                                  : (round % 2 == 0 ? "key alt+2" : "key alt+1"));
        ASSERT_TRUE(typed.succeeded()) << typed.output;
        sent += rolled ? 2 : 1;
        std::this_thread::sleep_for(kBetweenPresses);
    }
    count.expectAJumpForEveryPress(tessivar, sent);
    EXPECT_EQ(tessivar.terminate(), 0);
}

}  // namespace
