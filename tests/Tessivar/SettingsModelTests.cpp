// The settings window's models, without widgets.
#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeDesktop.h"
#include "Platform/Testing/FakeLoginItem.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Tessivar/Settings/AboutInfo.h"
#include "Tessivar/Settings/AppMenuShortcuts.h"
#include "Tessivar/Settings/Private/GeneralSettingsModel.h"
#include "Tessivar/Settings/Private/PaneHistory.h"
#include "Tessivar/Settings/Private/ShortcutRows.h"
#include "tests/support/ScratchHotkeysRegistry.h"

namespace {

using platform::LoginItemStatus;
using tessivar::PaneHistory;
using tessivar::SettingsPane;

constexpr auto general = SettingsPane::general;
constexpr auto shortcuts = SettingsPane::shortcuts;
constexpr auto about = SettingsPane::about;

struct SettingsModelTest : ::testing::Test {
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
};

TEST(SettingsPane, RawValuesTitlesAndSymbols) {
    EXPECT_EQ(tessivar::settingsPaneFromRawValue("shortcuts"), shortcuts);
    EXPECT_EQ(tessivar::settingsPaneFromRawValue("Shortcuts"), std::nullopt);
    EXPECT_EQ(tessivar::settingsPaneFromRawValue(""), std::nullopt);
    std::vector<std::string> rows;
    for (const auto pane : tessivar::kAllSettingsPanes) {
        rows.push_back(std::string(tessivar::rawValue(pane)) + " " + std::string(tessivar::title(pane)) + " " +
                       std::string(tessivar::symbolName(pane)));
        EXPECT_EQ(tessivar::settingsPaneFromRawValue(tessivar::rawValue(pane)), pane);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"general 通用 gearshape", "shortcuts 快捷键 keyboard",
                                              "about 关于 info.circle"}));
}

// Each step of a walk through the window, with the history it leaves.
TEST(PaneHistory, NavigationKeepsABrowserLikeHistory) {
    enum class Step { open, back, forward };
    struct Case {
        Step step;
        SettingsPane pane;  // for open
        std::vector<SettingsPane> entries;
        std::size_t index;
    };
    const Case walk[] = {
        {Step::back, general, {general}, 0},  // no going back from the first entry
        {Step::forward, general, {general}, 0},
        {Step::open, general, {general}, 0},  // the pane already shown adds nothing
        {Step::open, shortcuts, {general, shortcuts}, 1},
        {Step::open, about, {general, shortcuts, about}, 2},
        {Step::back, general, {general, shortcuts, about}, 1},
        {Step::back, general, {general, shortcuts, about}, 0},
        {Step::back, general, {general, shortcuts, about}, 0},
        {Step::forward, general, {general, shortcuts, about}, 1},
        {Step::back, general, {general, shortcuts, about}, 0},
        {Step::open, about, {general, about}, 1},  // what lay ahead is dropped
        {Step::open, general, {general, about, general}, 2},
        {Step::open, about, {general, about, general, about}, 3},  // no limit
    };
    PaneHistory history;
    for (std::size_t i = 0; i < std::size(walk); ++i) {
        const Case& c = walk[i];
        if (c.step == Step::open) history.navigate(c.pane);
        if (c.step == Step::back) history.goBack();
        if (c.step == Step::forward) history.goForward();
        EXPECT_EQ(history.entries(), c.entries) << "step " << i;
        EXPECT_EQ(history.index(), c.index) << "step " << i;
        EXPECT_EQ(history.selectedPane(), c.entries[c.index]) << "step " << i;
        EXPECT_EQ(history.canGoBack(), c.index > 0) << "step " << i;
        EXPECT_EQ(history.canGoForward(), c.index + 1 < c.entries.size()) << "step " << i;
    }
}

TEST_F(SettingsModelTest, TheOneShotShortcutsRequestIsConsumedWhenTheSettingsComeOnScreen) {
    PaneHistory history;
    history.navigate(about);
    history.handleAppear(defaults);
    EXPECT_EQ(history.entries(), (std::vector<SettingsPane>{general, about})) << "no request: nothing changes";

    defaults.set("shouldShowShortcutsPaneOnOpen", true);
    history.handleAppear(defaults);
    EXPECT_EQ(history.entries(), (std::vector<SettingsPane>{general, shortcuts}));
    EXPECT_EQ(history.index(), 1u);
    EXPECT_EQ(defaults.object("shouldShowShortcutsPaneOnOpen"), nlohmann::json(false)) << "kept, as false";

    history.goBack();
    history.handleAppear(defaults);
    EXPECT_EQ(history.selectedPane(), general) << "consumed: the next appearance changes nothing";
}

TEST_F(SettingsModelTest, EffectAndMemoryAreTheApplicationsSettings) {
    platform::FakeLoginItem login;
    tessivar::GeneralSettingsModel model(defaults, login);
    EXPECT_EQ(model.visualEffectType(), "scale");
    EXPECT_TRUE(model.rememberLastPosition());

    model.setVisualEffectType("ripple");
    EXPECT_EQ(defaults.stringValue("visualEffectType"), "ripple");
    model.setVisualEffectType("off");
    EXPECT_EQ(model.visualEffectType(), "off");
    model.setRememberLastPosition(false);
    EXPECT_EQ(defaults.object("rememberLastPosition"), nlohmann::json(false));
    EXPECT_FALSE(model.rememberLastPosition());

    defaults.set("visualEffectType", "sparkle");
    EXPECT_EQ(model.visualEffectType(), "sparkle") << "a value no choice matches stays as it is";
    std::vector<std::string> titles;
    for (const auto& choice : tessivar::GeneralSettingsModel::kEffectChoices) {
        titles.push_back(std::string(choice.title) + "=" + std::string(choice.tag));
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"光标缩放=scale", "定位环=ripple", "关闭=off"}));
}

// The switch always ends up showing what the login item reports.
TEST_F(SettingsModelTest, LaunchAtLoginShowsTheLoginItemsRealState) {
    struct Case {
        const char* what;
        LoginItemStatus before;
        bool switchTo;
        platform::Failure failure;
        LoginItemStatus afterRegister;
        std::vector<std::string> calls;  // after the first status read
        bool shows;
        bool logs;
    };
    const Case cases[] = {
        {"off, switched on",
         LoginItemStatus::notRegistered,
         true,
         {},
         LoginItemStatus::enabled,
         {"status", "register", "status"},
         true,
         false},
        {"needs approval after registering",
         LoginItemStatus::notRegistered,
         true,
         {},
         LoginItemStatus::requiresApproval,
         {"status", "register", "status"},
         false,
         false},
        {"register fails",
         LoginItemStatus::notRegistered,
         true,
         "无法写入自启动项 /x: Permission denied",
         LoginItemStatus::enabled,
         {"status", "register", "status"},
         false,
         true},
        {"on, switched off",
         LoginItemStatus::enabled,
         false,
         {},
         LoginItemStatus::enabled,
         {"unregister", "status"},
         false,
         false},
        {"unregister fails",
         LoginItemStatus::enabled,
         false,
         "无法移除自启动项 /x: Permission denied",
         LoginItemStatus::enabled,
         {"unregister", "status"},
         true,
         true},
        {"switched on elsewhere meanwhile",
         LoginItemStatus::enabled,
         true,
         {},
         LoginItemStatus::enabled,
         {"status", "status"},
         true,
         false},
    };
    for (const auto& c : cases) {
        platform::FakeLoginItem login;
        login.afterRegister = c.afterRegister;
        tessivar::GeneralSettingsModel model(defaults, login);
        model.refreshLaunchAtLogin();
        EXPECT_FALSE(model.launchAtLogin()) << c.what << ": nothing registered when the pane came";
        login.current = c.before;
        login.nextFailure = c.failure;
        login.calls.clear();
        platform::LogCapture log;
        model.setLaunchAtLogin(c.switchTo);
        EXPECT_EQ(login.calls, c.calls) << c.what;
        EXPECT_EQ(model.launchAtLogin(), c.shows) << c.what;
        const auto expectedLine = "[Tessivar] 切换开机自启动失败: " + *c.failure;
        EXPECT_EQ(log.contains(expectedLine), c.logs) << c.what;
    }
}

TEST(ShortcutRows, ARowPerDisplayUpToEightWithItsNameAndPointSize) {
    tessivar::testing::ScratchHotkeysRegistry registry(nullptr);
    std::vector<hotkeys::Name> names;
    for (int i = 1; i <= 8; ++i) names.emplace_back("jumpToScreen" + std::to_string(i));
    EXPECT_TRUE(tessivar::shortcutRows({}, names).empty());

    std::vector<platform::Screen> screens;
    for (int i = 0; i < 10; ++i) {
        screens.push_back(platform::makeScreen(static_cast<platform::DisplayID>(i + 1), i == 0 ? "Color LCD" : "DELL",
                                               {{1920.0 * i, 0}, {1919.75, 1080.5}}));
    }
    const auto rows = tessivar::shortcutRows(screens, names);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].title, "屏幕 1");
    EXPECT_EQ(rows[0].subtitle, "Color LCD (1919 x 1080)");
    EXPECT_EQ(rows[1].title, "屏幕 2");
    EXPECT_EQ(rows[1].name.rawValue, "jumpToScreen2");
    EXPECT_EQ(rows[7].title, "屏幕 8");
    EXPECT_EQ(rows[7].screenIndex, 7u);
}

TEST(AboutInfo, TheVersionIsTheBuildsShortVersionAsItStands) {
    platform::BundleInfo bundle{"com.brel.tessivar", "2.3.0-beta 1", "7", "tessivar"};
    EXPECT_EQ(tessivar::AboutInfo::appVersion(bundle), "2.3.0-beta 1");
    bundle.shortVersion.clear();
    EXPECT_EQ(tessivar::AboutInfo::appVersion(bundle), "1.0.0");
    EXPECT_EQ(tessivar::AboutInfo::appVersion(platform::BundleInfo::main()), "1.0.0");
    for (const auto& link : tessivar::AboutInfo::kLinks) {
        const std::string destination(link.destination);
        EXPECT_TRUE(destination.starts_with("https://") || destination.starts_with("mailto:")) << destination;
    }
}

TEST(AppMenuShortcuts, TheApplicationsCommandsWithoutTheDisplayEntries) {
    tessivar::testing::ScratchHotkeysRegistry registry(nullptr);
    const std::vector<platform::Screen> screens{platform::makeScreen(1, "A", {{0, 0}, {100, 100}}),
                                                platform::makeScreen(2, "B", {{100, 0}, {100, 100}})};
    const auto menu = tessivar::StatusMenuModel::build(
        screens, [](std::size_t index) { return hotkeys::Shortcut(18 + static_cast<std::int64_t>(index), 2048); });
    std::vector<std::string> items;
    for (const auto& item : tessivar::appMenuShortcuts(menu)) {
        items.push_back(item.title + "|" + item.keyEquivalent + "|" +
                        std::to_string(item.keyEquivalentModifierMask.rawValue));
    }
    EXPECT_EQ(items, (std::vector<std::string>{"瞬间移动到下一屏幕||1048576", "新手引导...||1048576",
                                               "设置...|,|1048576", "退出|q|1048576"}));
}

}  // namespace
