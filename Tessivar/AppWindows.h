#pragma once
#include <memory>

namespace tessivar {

// Asks an open settings window to show the Shortcuts pane (the onboarding posts it).
inline constexpr const char* kSelectShortcutsPane = "SelectShortcutsPane";

// What the windows ask of the application.
class AppActions {
public:
    virtual ~AppActions() = default;
    // Puts the pointer on the next display (the centre of the only one) and
    // answers whether it moved; not counted as a jump of the user's.
    virtual bool jumpToNextScreen() = 0;
    // Counts the opening, then shows the settings window.
    virtual void openHotKeySettings() = 0;
};

// The application's windows: the first-run onboarding and the settings.
class AppWindows {
public:
    virtual ~AppWindows() = default;
    // Brings the onboarding forward, making it first when there is none; it
    // reaches the application through `app` while that lives.
    virtual void showOnboarding(std::weak_ptr<AppActions> app) = 0;
    virtual void showSettings() = 0;
};

}  // namespace tessivar
