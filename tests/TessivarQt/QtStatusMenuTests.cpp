#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "PictureExtent.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/HotKeys/MenuKeyMonitor.h"
#include "Platform/Testing/FakeDesktop.h"
#include "Tessivar/StatusMenu/QtStatusMenu.h"

using tessivar::MenuAction;
using tessivar::StatusMenuModel;

namespace {

StatusMenuModel twoDisplays(std::optional<hotkeys::Shortcut> first) {
    const std::vector<platform::Screen> screens{platform::makeScreen(1, "Color LCD", {{0, 0}, {1920, 1080}}),
                                                platform::makeScreen(2, "DELL", {{1920, 0}, {1920, 1080}})};
    return StatusMenuModel::build(screens, [first](std::size_t index) { return index == 0 ? first : std::nullopt; });
}

std::vector<QAction*> entries(QMenu* menu) {
    std::vector<QAction*> result;
    for (auto* action : menu->actions()) {
        if (!action->isSeparator()) result.push_back(action);
    }
    return result;
}

struct QtStatusMenuTest : ::testing::Test {
    platform::NotificationCenter notifications;
    std::optional<hotkeys::Shortcut> firstShortcut{
        hotkeys::Shortcut(hotkeys::Key::one, {hotkeys::ModifierFlags::option})};
    tessivar::QtStatusMenu menu{notifications, [this] { return twoDisplays(firstShortcut); }};
};

TEST_F(QtStatusMenuTest, RendersTheModelWithShortcutsAndDispatchesActions) {
    std::vector<std::pair<MenuAction, int>> chosen;
    menu.setActionHandler([&](MenuAction action, int tag) { chosen.emplace_back(action, tag); });
    menu.rebuild();
    ASSERT_NE(menu.menu(), nullptr);

    const auto items = entries(menu.menu());
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0]->text().toStdString(), "瞬间移动到下一屏幕");
    EXPECT_EQ(items[1]->text().toStdString(), "屏幕 1: Color LCD");
    EXPECT_EQ(items[1]->shortcut(), QKeySequence(Qt::AltModifier | Qt::Key_1));
    EXPECT_TRUE(items[2]->shortcut().isEmpty());
    EXPECT_EQ(items[4]->shortcut(), QKeySequence(Qt::MetaModifier | Qt::Key_Comma));
    EXPECT_EQ(items[5]->shortcut(), QKeySequence(Qt::MetaModifier | Qt::Key_Q));
    // As the menu draws them: the key with the window logo is Super on Linux.
    EXPECT_EQ(items[4]->shortcut().toString(QKeySequence::NativeText).toStdString(), "Super+,");
    EXPECT_EQ(items[5]->shortcut().toString(QKeySequence::NativeText).toStdString(), "Super+Q");

    items[2]->trigger();
    items[5]->trigger();
    EXPECT_EQ(chosen, (std::vector<std::pair<MenuAction, int>>{{MenuAction::jumpToSpecificScreen, 1},
                                                               {MenuAction::quitApp, 0}}));
}

// Where the desktop has no icon theme (the test's has none) every entry shows
// its symbol drawn, as large as a menu's symbols are.
TEST_F(QtStatusMenuTest, EveryEntryShowsItsSymbolWithoutAnIconTheme) {
    ASSERT_TRUE(QIcon::fromTheme(QStringLiteral("application-exit")).isNull()) << "an icon theme is installed";
    menu.rebuild();
    for (QAction* item : entries(menu.menu())) {
        const QSizeF drawn = tessivar::testing::drawnExtent(item->icon().pixmap(16));
        EXPECT_GE(std::max(drawn.width(), drawn.height()), 11) << item->text().toStdString();
    }
}

TEST_F(QtStatusMenuTest, RebuildReplacesTheMenuSoKeyEquivalentsFollowTheShortcuts) {
    menu.rebuild();
    QMenu* before = menu.menu();
    firstShortcut.reset();
    menu.rebuild();
    EXPECT_NE(menu.menu(), before);
    EXPECT_TRUE(entries(menu.menu())[1]->shortcut().isEmpty());
}

// Each display's entry shows its shortcut's own key, as the menu draws it: a
// function key is not shortened to its last digit, and a keypad key reads
// apart from the main one.
TEST_F(QtStatusMenuTest, ShowsEachShortcutsOwnKey) {
    using hotkeys::Key;
    using hotkeys::ModifierFlags;
    const struct {
        Key key;
        std::uint64_t modifiers;
        const char* shown;
    } cases[] = {
        {Key::f2, ModifierFlags::control, "Ctrl+F2"},
        {Key::f5, ModifierFlags::control | ModifierFlags::shift, "Ctrl+Shift+F5"},
        {Key::f12, ModifierFlags::option, "Alt+F12"},
        {Key::f20, ModifierFlags::option, "Alt+F20"},
        {Key::rightArrow, ModifierFlags::command, "Super+Right"},
        {Key::tab, ModifierFlags::option, "Alt+Tab"},
        {Key::one, ModifierFlags::option, "Alt+1"},
        {Key::keypad1, ModifierFlags::option, "Alt+Num+1"},
        {Key::keypad1, ModifierFlags::command, "Super+Num+1"},
        {Key::keypadEnter, ModifierFlags::control, "Ctrl+Num+Enter"},
    };
    for (const auto& c : cases) {
        firstShortcut = hotkeys::Shortcut(c.key, ModifierFlags{c.modifiers});
        menu.rebuild();
        EXPECT_EQ(entries(menu.menu())[1]->shortcut().toString(QKeySequence::NativeText).toStdString(), c.shown);
    }
}

TEST_F(QtStatusMenuTest, OpeningAndClosingTheMenuIsAnnounced) {
    std::vector<std::string> seen;
    auto began = notifications.addObserver(platform::kMenuDidBeginTrackingNotification, nullptr,
                                           [&](const platform::Notification& n) { seen.push_back(n.name); });
    auto ended = notifications.addObserver(platform::kMenuDidEndTrackingNotification, nullptr,
                                           [&](const platform::Notification& n) { seen.push_back(n.name); });
    menu.rebuild();
    menu.menu()->popup(QPoint(100, 100));
    menu.menu()->hide();
    EXPECT_EQ(seen, (std::vector<std::string>{platform::kMenuDidBeginTrackingNotification,
                                              platform::kMenuDidEndTrackingNotification}));
}

TEST_F(QtStatusMenuTest, ALeftClickOnTheTrayItemOpensTheMenu) {
    menu.rebuild();
    ASSERT_NE(menu.trayIcon(), nullptr);
    ASSERT_FALSE(menu.menu()->isVisible());

    emit menu.trayIcon()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(menu.menu()->isVisible());
    emit menu.trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(menu.menu()->isVisible());
    menu.menu()->hide();

    // A rebuild keeps the item in the tray: a click on it while the menu is being
    // replaced is not lost, and the click opens the new menu.
    const auto* item = menu.trayIcon();
    menu.rebuild();
    EXPECT_EQ(menu.trayIcon(), item);
    EXPECT_EQ(menu.trayIcon()->contextMenu(), menu.menu());
    emit menu.trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(menu.menu()->isVisible());
    menu.menu()->hide();
}

}  // namespace
