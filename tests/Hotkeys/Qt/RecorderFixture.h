#pragma once
#include <gtest/gtest.h>
#include <QLineEdit>
#include <QMessageBox>
#include <QWidget>

#include <optional>
#include <vector>

#include "Hotkeys/Qt/RecorderCocoa.h"
#include "Hotkeys/Registry.h"
#include "Hotkeys/SystemShortcuts.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeHotKeyService.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "Platform/Testing/FakeNativeKeyTranslator.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace hotkeys::testing {

// A recorder for "jumpToScreen2" (⌥2, its hot key registered) in a shown,
// active window, followed by a text field; a registry of the test's own on a
// fake X server, a menu holding "退出" (⌘Q), and what the recorder announced.
class RecorderFixture : public ::testing::Test {
protected:
    using Native = platform::FakeNativeKeyTranslator;

    RecorderFixture();
    ~RecorderFixture() override;

    // A key press as the X server would hand it to Qt: the Carbon key code (none:
    // a key without one) and the X modifier state.
    void press(QWidget* target, int qtKey, std::optional<std::int64_t> carbon, std::uint32_t nativeModifiers = 0);
    void pressOnRecorder(int qtKey, std::optional<std::int64_t> carbon, std::uint32_t nativeModifiers = 0) {
        press(recorder, qtKey, carbon, nativeModifiers);
    }
    void clickRecorder();
    // The window's alert, once it is shown; null when there is none.
    QMessageBox* alert() const;
    // Clicks the alert's button with this text.
    static void answer(QMessageBox* box, const char* buttonText);
    std::optional<Shortcut> stored() { return registry.loadShortcut(name); }

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::NotificationCenter notifications;
    platform::ManualMainQueue queue;
    platform::FakeHotKeyService service;
    platform::FakeKeyboardLayout layout;
    Registry registry{{defaults, notifications, &queue, &service, &layout, nullptr}};
    platform::FakeNativeKeyTranslator keys;
    SystemShortcuts systemShortcuts{&service, nullptr, &layout};
    std::vector<MenuItem> menu{{"退出", "q", ModifierFlags{ModifierFlags::command}, {}}};
    Name name{"jumpToScreen2", Shortcut(19, 2048)};
    int hotKeyPresses = 0;

    std::vector<bool> activeStatuses;
    std::vector<std::optional<Shortcut>> changes;
    platform::ObserverTokenPtr statusObserver;

    QWidget window;
    RecorderCocoa* recorder = nullptr;
    QLineEdit* nextField = nullptr;

    RecorderEnvironment environment() {
        return {notifications, keys, [this] { return menu; }, &systemShortcuts, {}};
    }
};

}  // namespace hotkeys::testing
