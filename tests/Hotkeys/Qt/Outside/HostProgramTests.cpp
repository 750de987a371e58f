#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QWidget>

#include "Hotkeys/Qt/ActionShortcutBinding.h"
#include "Hotkeys/Qt/Recorder.h"
#include "Hotkeys/Qt/ShortcutEvents.h"
#include "Hotkeys/Registry.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "Platform/Testing/FakeNativeKeyTranslator.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace {

// A host program's window: a command carrying a name's shortcut, a labelled
// recorder row for it, and the name's hot-key events heard while it is shown.
TEST(HostProgram, BuildsItsWindowFromThePackagesPublicForms) {
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::NotificationCenter notifications;
    platform::FakeKeyboardLayout layout;
    hotkeys::Registry registry{{defaults, notifications, nullptr, nullptr, &layout, nullptr}};
    platform::FakeNativeKeyTranslator keys;
    const hotkeys::Name name{"jumpToScreen2", hotkeys::Shortcut(19, 2048)};

    QWidget window;
    QAction command(QStringLiteral("跳转"));
    window.addAction(&command);
    EXPECT_EQ(hotkeys::ActionShortcutBinding::bind(&command, name, notifications)->name().rawValue, name.rawValue);
    EXPECT_EQ(command.shortcut(), QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key_2)));

    auto* row =
        new hotkeys::Recorder(QStringLiteral("屏幕 2"), name, {notifications, keys, {}, nullptr, {}}, {}, &window);
    EXPECT_NE(row->label(), nullptr);
    EXPECT_EQ(row->recorder()->parentWidget(), row);

    auto* events = hotkeys::ShortcutEvents::onShortcutEvent(&window, hotkeys::EventType::keyDown, name, [] {});
    EXPECT_FALSE(events->isSubscribed()) << "a hidden window hears nothing";
    window.show();
    EXPECT_TRUE(events->isSubscribed());
    window.hide();
    EXPECT_FALSE(events->isSubscribed());
}

}  // namespace

int main(int argc, char** argv) {
    // Listing the tests makes the application too, with or without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
