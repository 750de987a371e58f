#pragma once
#include <vector>

#include "Hotkeys/Name.h"
#include "Hotkeys/Qt/RecorderCocoa.h"

namespace platform {
class Desktop;
class LoginItem;
class MainQueue;
class NotificationCenter;
class UserDefaults;
class WindowSpaces;
struct BundleInfo;
}  // namespace platform

namespace tessivar {

// What the settings window works with; everything outlives the window.
struct SettingsEnvironment {
    platform::UserDefaults& defaults;
    platform::NotificationCenter& notifications;
    platform::MainQueue& mainQueue;
    platform::Desktop& desktop;
    platform::LoginItem& loginItem;
    const platform::BundleInfo& bundle;
    hotkeys::RecorderEnvironment recorder;
    std::vector<hotkeys::Name> names;  // the display shortcuts, screen index order
    // The window manager's desktops; null for the window system's own (see QtAppWindows).
    platform::WindowSpaces* windowSpaces = nullptr;
};

}  // namespace tessivar
