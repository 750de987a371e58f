#pragma once

namespace platform {
class HotKeyService;
class KeyboardLayout;
class MainQueue;
class MenuKeyMonitor;
class NotificationCenter;
class UserDefaults;
}  // namespace platform

namespace hotkeys {

// The services a registry works with; they outlive it. The settings and the
// notification center are always the caller's choice, so nothing falls back to
// the user's real settings file.
struct Environment {
    platform::UserDefaults& defaults;
    platform::NotificationCenter& notifications;
    platform::MainQueue* mainQueue = nullptr;            // null: stream changes happen at once
    platform::HotKeyService* hotKeyService = nullptr;    // null: every grab is refused
    platform::KeyboardLayout* keyboardLayout = nullptr;  // null: no layout
    platform::MenuKeyMonitor* menuKeyMonitor = nullptr;  // null: no menu path
};

}  // namespace hotkeys
