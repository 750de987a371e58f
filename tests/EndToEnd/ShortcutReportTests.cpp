// What the real program tells the user about shortcuts it cannot use: one line
// per problem per run, however often the problem comes up.
#include <gtest/gtest.h>

#include "tests/support/DesktopCommands.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using tessivar::testing::PointerPosition;
using tessivar::testing::TessivarProcess;

namespace {

constexpr const char* kReady = "⌨️ 使用全局快捷键快速跳转屏幕";

// On a first launch each name stores its default and then gets its handler,
// and both steps try the hot key another program holds.
TEST(TessivarProgram, ShortcutsAnotherProgramHoldsAreEachReportedOnceOnAFirstLaunch) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    TessivarProcess holder(TESSIVAR_BINARY, server.displayName());
    ASSERT_TRUE(holder.waitForLine(kReady, 15s));

    TessivarProcess second(TESSIVAR_BINARY, server.displayName());
    ASSERT_TRUE(second.waitForLine(kReady, 15s));

    for (int digit = 1; digit <= 8; ++digit) {
        EXPECT_EQ(second.countLines("Error registering hotkey ⌥" + std::to_string(digit) + ": -9878"), 1) << digit;
    }
    EXPECT_EQ(holder.countLines("Error registering hotkey"), 0);
    second.terminate();
    holder.terminate();
}

// Every key press reads every stored shortcut again; the one that cannot be
// read is reported once, and the others keep jumping.
TEST(TessivarProgram, AShortcutStoredAsAnObjectIsReportedOnceAndTheOthersStillJump) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}}))
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    tessivar::testing::X11Observer observer(server.displayName());
    ASSERT_TRUE(observer.warpPointer({300, 200}));
    TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(),
                             R"({"Hotkeys_jumpToScreen3": {"carbonKeyCode": 20, "carbonModifiers": 2048},
                                 "Hotkeys_jumpToScreen4": "{\"carbonKeyCode\":99999,\"carbonModifiers\":2048}",
                                 "Hotkeys_jumpToScreen5": "{\"carbonKeyCode\":23,\"carbonModifiers\":4294967295}"})");
    ASSERT_TRUE(tessivar.waitForLine(kReady, 15s));

    ASSERT_EQ(tessivar::testing::pressKeys(server.displayName(), "alt+2"), "");
    ASSERT_TRUE(tessivar::testing::waitUntil([&] { return observer.pointer() == PointerPosition{2880, 540}; }, 5s));
    ASSERT_EQ(tessivar::testing::pressKeys(server.displayName(), "alt+1"), "");
    ASSERT_TRUE(tessivar::testing::waitUntil([&] { return observer.pointer() == PointerPosition{300, 200}; }, 5s));

    EXPECT_EQ(tessivar.countLines("[Hotkeys] \"Hotkeys_jumpToScreen3\" holds a JSON object instead of text, so that "
                                  "shortcut is off. A shortcut is stored as JSON text, such as "
                                  "\"{\\\"carbonKeyCode\\\":18,\\\"carbonModifiers\\\":2048}\", or as false when "
                                  "removed"),
              1);
    // A key code no key has is a record that cannot be read, not a failed grab.
    EXPECT_EQ(tessivar.countLines("[Hotkeys] \"Hotkeys_jumpToScreen4\" holds a shortcut of key code 99999 and "
                                  "modifiers 2048, which no key has, so that shortcut is off."),
              1);
    // So is a mask with bits that no modifier has.
    EXPECT_EQ(tessivar.countLines("[Hotkeys] \"Hotkeys_jumpToScreen5\" holds a shortcut of key code 23 and "
                                  "modifiers 4294967295, which no key has, so that shortcut is off."),
              1);
    EXPECT_EQ(tessivar.countLines("Error registering hotkey"), 0);
    tessivar.terminate();
}

}  // namespace
