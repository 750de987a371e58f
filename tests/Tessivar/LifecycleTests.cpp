#include <gtest/gtest.h>

#include "AppHarness.h"

using tessivar::testing::AppHarness;

namespace {

std::vector<std::string> withoutDisplayLines(const std::vector<std::string>& lines) {
    std::vector<std::string> kept;
    for (const auto& line : lines) {
        if (line.find("🖥️ 屏幕 ") == std::string::npos) kept.push_back(line);
    }
    return kept;
}

TEST(Lifecycle, LaunchRunsItsStepsInOrder) {
    AppHarness h;
    h.app->applicationDidFinishLaunching();

    EXPECT_EQ(h.services.names.size(), 8u);
    EXPECT_EQ(h.services.names.front(), "jumpToScreen1");
    EXPECT_EQ(h.services.names.back(), "jumpToScreen8");
    EXPECT_EQ(h.services.shows, 1);
    EXPECT_EQ(h.services.rebuilds, 1);
    EXPECT_EQ(withoutDisplayLines(h.logLines()),
              (std::vector<std::string>{"[Tessivar] ✓ Hotkeys 监听已启动", "[Tessivar] \n✅ Tessivar 已启动",
                                        "[Tessivar] ⌨️ 使用全局快捷键快速跳转屏幕\n"}));
    EXPECT_TRUE(h.logged("🖥️ 屏幕 2: Right (1920.0, 0.0, 1920.0 × 1080.0, 缩放 2.0)"));
    EXPECT_EQ(h.analytics.calls, (std::vector<std::string>{"configure", "app_opened"}));
    // What only the first jump needs is readied once the launch has been told, not before.
    EXPECT_EQ(h.launchLinesAtPrepare, 1);
}

TEST(Lifecycle, OnboardingOpensAfterAShortDelayUntilCompleted) {
    AppHarness first;
    first.app->applicationDidFinishLaunching();
    first.queue.advance(0.29);
    EXPECT_EQ(first.services.onboardings, 0);
    first.queue.advance(0.02);
    EXPECT_EQ(first.services.onboardings, 1);

    AppHarness later;
    later.defaults.set("hasCompletedOnboarding", true);
    later.app->applicationDidFinishLaunching();
    later.queue.advance(1);
    EXPECT_EQ(later.services.onboardings, 0);
}

TEST(Lifecycle, DelayedWorkDoesNothingOnceTheAppIsGone) {
    AppHarness h;
    h.app->applicationDidFinishLaunching();
    h.jumps.jumpToScreen(1);
    h.app.reset();
    h.queue.advance(1);
    EXPECT_EQ(h.services.onboardings, 0);
    h.notifications.post("Hotkeys_shortcutByNameDidChange", {{"name", "jumpToScreen1"}});
    EXPECT_EQ(h.services.rebuilds, 1);
}

TEST(Lifecycle, HotkeyRecordsTheJumpBeforeTryingIt) {
    AppHarness h;
    h.defaults.set("visualEffectType", "off");
    h.app->applicationDidFinishLaunching();
    h.analytics.calls.clear();

    h.services.actions[1]();
    EXPECT_EQ(h.analytics.calls, (std::vector<std::string>{"jump hotkey 2"}));
    EXPECT_EQ(h.desktop.moves.back().display, 22u);

    h.services.actions[5]();  // display 6 of 2: recorded, then refused
    EXPECT_EQ(h.analytics.calls.back(), "jump hotkey 2");
    EXPECT_TRUE(h.logged("⚠️ 屏幕索引 5 超出范围 [0, 1]"));
}

TEST(Lifecycle, AShortcutChangeRebuildsTheMenu) {
    AppHarness h;
    h.app->applicationDidFinishLaunching();
    h.notifications.post("Hotkeys_shortcutByNameDidChange", {{"name", "jumpToScreen2"}});
    h.notifications.post("Hotkeys_shortcutByNameDidChange", {{"name", "jumpToScreen3"}});
    EXPECT_EQ(h.services.rebuilds, 3);
}

TEST(Lifecycle, ADisplayChangeIsLoggedAndRebuildsTheMenuOncePerNewLayout) {
    AppHarness h;
    h.app->applicationDidFinishLaunching();
    ASSERT_TRUE(h.desktop.screensChanged);

    h.desktop.screensChanged();  // a burst that ended where it began
    EXPECT_EQ(h.services.rebuilds, 1);
    EXPECT_FALSE(h.logged("🔄 显示器已变化"));

    h.useScreens({platform::makeScreen(22, "Right", {{0, 0}, {1920, 1080}})});
    h.desktop.screensChanged();
    h.desktop.screensChanged();
    EXPECT_EQ(h.services.rebuilds, 2);
    const auto lines = h.logLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "[Tessivar] 🔄 显示器已变化，当前屏幕：");
    EXPECT_EQ(lines.back(), "[Tessivar] 🖥️ 屏幕 1: Right (0.0, 0.0, 1920.0 × 1080.0, 缩放 1.0)");
}

TEST(Lifecycle, SettingsAreRecordedOnEveryOpen) {
    AppHarness h;
    h.app->handleMenuAction(tessivar::MenuAction::openHotKeySettings, 0);
    h.app->handleMenuAction(tessivar::MenuAction::openHotKeySettings, 0);
    EXPECT_EQ(h.analytics.calls, (std::vector<std::string>{"settings_opened", "settings_opened"}));
    EXPECT_EQ(h.services.settings, 2);
}

TEST(Lifecycle, QuitAsksTheApplicationToTerminate) {
    AppHarness h;
    h.app->handleMenuAction(tessivar::MenuAction::quitApp, 0);
    EXPECT_EQ(h.terminations, 1);
}

}  // namespace

// The onboarding's test jump is not the user's: it moves the pointer without
// being counted; its settings button counts the opening as the menu's does.
TEST(Lifecycle, TheOnboardingReachesTheAppForAnUncountedTestJumpAndTheSettings) {
    AppHarness h;
    h.defaults.set("visualEffectType", "off");
    h.app->applicationDidFinishLaunching();
    h.queue.advance(0.31);
    h.analytics.calls.clear();
    auto app = h.services.onboardingApp.lock();
    ASSERT_NE(app, nullptr);

    EXPECT_TRUE(app->jumpToNextScreen());
    EXPECT_EQ(h.desktop.moves.back().display, 22u);
    EXPECT_TRUE(h.analytics.calls.empty());
    app->openHotKeySettings();
    EXPECT_EQ(h.analytics.calls, (std::vector<std::string>{"settings_opened"}));
    EXPECT_EQ(h.services.settings, 1);

    app.reset();
    h.app.reset();
    EXPECT_TRUE(h.services.onboardingApp.expired()) << "the windows do not keep the application alive";
}
