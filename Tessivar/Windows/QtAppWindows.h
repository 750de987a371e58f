#pragma once
#include <QPointer>

#include <memory>

#include "Tessivar/AppWindows.h"
#include "Tessivar/Settings/SettingsEnvironment.h"

namespace platform {
class WindowSpaces;
}

namespace tessivar {

class OnboardingWindow;
class SettingsWindowController;

// The application's windows as Qt widgets. The settings window is made on the
// first request and kept for the run; the onboarding window lives from a
// request until it closes, and the next request makes a new one. Without
// desktops handed in it follows the X window manager's, on Qt's connection.
class QtAppWindows : public AppWindows {
public:
    explicit QtAppWindows(SettingsEnvironment environment);
    ~QtAppWindows() override;

    // Makes the onboarding window unless one is open, centres it on the
    // display under the pointer and brings it to the front with the keyboard,
    // on every desktop.
    void showOnboarding(std::weak_ptr<AppActions> app) override;
    void showSettings() override;

    // Null before the first showSettings().
    SettingsWindowController* settings() const { return settings_.get(); }
    // Null while no onboarding window is open.
    OnboardingWindow* onboarding() const;

private:
    void releaseOnboarding();

    std::unique_ptr<platform::WindowSpaces> ownSpaces_;
    SettingsEnvironment environment_;
    std::unique_ptr<SettingsWindowController> settings_;
    QPointer<OnboardingWindow> onboarding_;
};

}  // namespace tessivar
