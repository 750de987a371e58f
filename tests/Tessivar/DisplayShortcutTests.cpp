#include <gtest/gtest.h>

#include "AppHarness.h"
#include "HotkeysTestEnvironment.h"
#include "Tessivar/HotkeyRegistry.h"
#include "Tessivar/ScreenJumpNames.h"

using tessivar::testing::AppHarness;
using tessivar::testing::HotkeysTestEnvironment;

namespace {

TEST(DisplayShortcuts, FirstLaunchStoresOptionAndTheDigitForEveryName) {
    auto& hotkeys = HotkeysTestEnvironment::instance();
    for (int i = 1; i <= 8; ++i) hotkeys.defaults.removeObject("Hotkeys_jumpToScreen" + std::to_string(i));
    hotkeys.defaults.set("Hotkeys_jumpToScreen3", false);  // the user removed display 3's shortcut

    const auto names = tessivar::makeScreenJumpNames();

    const std::vector<int> keyCodes{18, 19, 20, 21, 23, 22, 26, 28};
    ASSERT_EQ(names.size(), 8u);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i].rawValue, "jumpToScreen" + std::to_string(i + 1));
        if (i == 2) continue;
        EXPECT_EQ(hotkeys.defaults.stringValue(names[i].userDefaultsKey()),
                  "{\"carbonKeyCode\":" + std::to_string(keyCodes[i]) + ",\"carbonModifiers\":2048}");
    }
    EXPECT_EQ(hotkeys.defaults.object("Hotkeys_jumpToScreen3"), nlohmann::json(false)) << "a removal stays removed";
}

// The process-wide names: each accessor is the list's entry for its display.
TEST(DisplayShortcuts, EachNamedAccessorIsItsDisplaysEntryOfTheList) {
    HotkeysTestEnvironment::instance();
    const std::vector<const hotkeys::Name* (*)()> accessors{
        [] { return &tessivar::jumpToScreen1(); }, [] { return &tessivar::jumpToScreen2(); },
        [] { return &tessivar::jumpToScreen3(); }, [] { return &tessivar::jumpToScreen4(); },
        [] { return &tessivar::jumpToScreen5(); }, [] { return &tessivar::jumpToScreen6(); },
        [] { return &tessivar::jumpToScreen7(); }, [] { return &tessivar::jumpToScreen8(); }};
    const auto& names = tessivar::screenJumpNames();
    const std::vector<int> keyCodes{18, 19, 20, 21, 23, 22, 26, 28};

    ASSERT_EQ(names.size(), accessors.size());
    for (std::size_t i = 0; i < accessors.size(); ++i) {
        const hotkeys::Name& name = *accessors[i]();
        EXPECT_EQ(&name, accessors[i]()) << "created once";
        EXPECT_EQ(name.rawValue, "jumpToScreen" + std::to_string(i + 1));
        EXPECT_EQ(name.rawValue, names[i].rawValue);
        EXPECT_EQ(name.defaultShortcut, hotkeys::Shortcut(keyCodes[i], 2048));
        EXPECT_EQ(names[i].defaultShortcut, name.defaultShortcut);
    }
}

TEST(DisplayShortcuts, PressingOptionTwoJumpsToTheSecondDisplay) {
    HotkeysTestEnvironment::OwnRegistry shortcuts;
    AppHarness h;
    h.setEffect("off");
    tessivar::HotkeysFacadeRegistry registry(shortcuts.registry);
    auto app = tessivar::TessivarApp::create({h.defaults,
                                              h.notifications,
                                              h.queue,
                                              h.desktop,
                                              h.jumps,
                                              h.cursorHiding,
                                              h.analytics,
                                              {},
                                              &registry,
                                              nullptr,
                                              nullptr,
                                              {}});
    app->applicationDidFinishLaunching();

    ASSERT_TRUE(shortcuts.service.press(19, 2048).has_value()) << "Option-2 is grabbed";
    EXPECT_EQ(h.desktop.moves.back().display, 22u);
    EXPECT_EQ(h.analytics.calls.back(), "jump hotkey 2");
    shortcuts.service.release(19, 2048);

    shortcuts.service.press(18, 2048);
    EXPECT_EQ(h.desktop.moves.back().display, 11u);
}

}  // namespace
