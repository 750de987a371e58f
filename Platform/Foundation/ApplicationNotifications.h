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

}  // namespace platform
