#pragma once

namespace platform {

// What the application's activation feed posts on the default notification center;
// the analytics client's lifecycle publisher listens for these names.
struct ApplicationNotifications {
    static constexpr const char* didFinishLaunching = "ApplicationDidFinishLaunchingNotification";
    static constexpr const char* didBecomeActive = "ApplicationDidBecomeActiveNotification";
    // The application stopped being the active one (its last focused window or menu went).
    static constexpr const char* didResignActive = "ApplicationDidResignActiveNotification";
};

// What the window feed posts on the default notification center; the analytics
// client's event context measures the active window's screen when it hears them.
struct WindowNotifications {
    // One of the application's windows became the one that takes the keyboard.
    static constexpr const char* didBecomeKey = "WindowDidBecomeKeyNotification";
    // The active window moved to another screen.
    static constexpr const char* didChangeScreen = "WindowDidChangeScreenNotification";
};

}  // namespace platform
