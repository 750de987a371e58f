#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>

#include "AppHarness.h"
#include "Hotkeys/Hotkeys.h"
#include "HotkeysTestEnvironment.h"
#include "Platform/Qt/QtMainQueue.h"
#include "Tessivar/HotkeyRegistry.h"
#include "Tessivar/ScreenJumpNames.h"
#include "Tessivar/StatusMenu/QtStatusMenu.h"

using hotkeys::Key;
using hotkeys::ModifierFlags;
using hotkeys::Shortcut;
using tessivar::testing::HotkeysTestEnvironment;

namespace {

QKeySequence displayEntryShortcut(QMenu* menu, int index) {
    int seen = 0;
    for (auto* action : menu->actions()) {
        if (action->isSeparator() || !action->text().startsWith(QStringLiteral("屏幕 "))) continue;
        if (seen++ == index) return action->shortcut();
    }
    return QKeySequence(Qt::Key_unknown);
}

TEST(MenuFollowsShortcuts, ChangingAStoredShortcutRebuildsTheMenu) {
    auto& hotkeys = HotkeysTestEnvironment::instance();
    HotkeysTestEnvironment::OwnRegistry shortcuts;
    tessivar::testing::AppHarness h;
    platform::QtMainQueue mainQueue;
    const auto& names = tessivar::screenJumpNames();
    hotkeys::reset(names);
    tessivar::QtStatusMenu menu(hotkeys.notifications, [&h, &names] {
        return tessivar::StatusMenuModel::build(h.desktop.screens(),
                                                [&names](std::size_t i) { return hotkeys::getShortcut(names[i]); });
    });
    tessivar::HotkeysFacadeRegistry registry(shortcuts.registry);
    auto app = tessivar::TessivarApp::create({h.defaults,
                                              hotkeys.notifications,
                                              mainQueue,
                                              h.desktop,
                                              h.jumps,
                                              h.cursorHiding,
                                              h.analytics,
                                              {},
                                              &registry,
                                              &menu,
                                              nullptr,
                                              {}});
    app->applicationDidFinishLaunching();
    EXPECT_EQ(displayEntryShortcut(menu.menu(), 0), QKeySequence(Qt::AltModifier | Qt::Key_1));

    hotkeys::setShortcut(Shortcut(Key::k, ModifierFlags{ModifierFlags::command | ModifierFlags::shift}), names[0]);
    EXPECT_EQ(displayEntryShortcut(menu.menu(), 0), QKeySequence(Qt::MetaModifier | Qt::ShiftModifier | Qt::Key_K));

    hotkeys::setShortcut(std::nullopt, names[1]);
    EXPECT_TRUE(displayEntryShortcut(menu.menu(), 1).isEmpty()) << "a removed shortcut shows none";

    hotkeys::reset(names);
}

}  // namespace
