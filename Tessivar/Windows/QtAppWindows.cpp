#include "Tessivar/Windows/QtAppWindows.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include "Platform/X11/X11WindowSpaces.h"
#include "Tessivar/Onboarding/OnboardingWindow.h"
#include "Tessivar/Settings/AboutInfo.h"
#include "Tessivar/Settings/SettingsWindowController.h"
#include "Tessivar/Settings/WindowPresenter.h"

namespace tessivar {

namespace {

// The connection Qt made its windows on: requests about them must follow the
// ones that mapped them. None on other window systems.
_XDisplay* qtDisplay() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

}  // namespace

QtAppWindows::QtAppWindows(SettingsEnvironment environment) : environment_(std::move(environment)) {
    // The window manager gives the conflict alerts a title bar: it names the program.
    environment_.recorder.alertTitle = AboutInfo::kName;
    if (!environment_.windowSpaces) {
        ownSpaces_ = std::make_unique<platform::X11WindowSpaces>(qtDisplay());
        environment_.windowSpaces = ownSpaces_.get();
    }
}

QtAppWindows::~QtAppWindows() { delete onboarding_.data(); }

void QtAppWindows::showOnboarding(std::weak_ptr<AppActions> app) {
    if (!onboarding_) {
        const auto& e = environment_;
        onboarding_ = new OnboardingWindow({e.defaults, e.notifications, e.mainQueue, e.loginItem}, std::move(app),
                                           [this](bool) { releaseOnboarding(); });
    }
    onboarding_->centerOnMouseScreen();
    WindowPresenter(environment_.windowSpaces).present(*onboarding_, WindowPresenter::Desktops::all);
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
