#include "Tessivar/Settings/QtAppWindows.h"

#include "Tessivar/Onboarding/OnboardingWindow.h"
#include "Tessivar/Settings/SettingsWindowController.h"

namespace tessivar {

QtAppWindows::QtAppWindows(SettingsEnvironment environment) : environment_(std::move(environment)) {}

QtAppWindows::~QtAppWindows() { delete onboarding_.data(); }

void QtAppWindows::showOnboarding(std::weak_ptr<AppActions> app) {
    if (!onboarding_) {
        const auto& e = environment_;
        onboarding_ = new OnboardingWindow({e.defaults, e.notifications, e.mainQueue, e.loginItem}, std::move(app),
                                           [this](bool) { releaseOnboarding(); });
    }
    onboarding_->centerOnMouseScreen();
    onboarding_->show();
    onboarding_->raise();
    onboarding_->activateWindow();
}

void QtAppWindows::showSettings() {
    if (!settings_) settings_ = std::make_unique<SettingsWindowController>(environment_);
    settings_->show();
}

OnboardingWindow* QtAppWindows::onboarding() const { return onboarding_; }

// Called from inside the window's own close: the window goes once that is over.
void QtAppWindows::releaseOnboarding() {
    if (!onboarding_) return;
    onboarding_->deleteLater();
    onboarding_ = nullptr;
}

}  // namespace tessivar
