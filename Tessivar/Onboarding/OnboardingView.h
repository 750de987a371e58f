#pragma once
#include <functional>
#include <memory>
#include <string>

#include "Tessivar/AppWindows.h"

namespace platform {
class LoginItem;
class MainQueue;
class NotificationCenter;
class UserDefaults;
}  // namespace platform

namespace tessivar {

// What the onboarding window works with; everything outlives the window.
struct OnboardingEnvironment {
    platform::UserDefaults& defaults;
    platform::NotificationCenter& notifications;
    platform::MainQueue& mainQueue;
    platform::LoginItem& loginItem;
};

// The onboarding's state and what its controls do, without pixels: three
// steps (0 welcome, 1 launch at login, 2 jump test and shortcuts), the
// navigation between them, the test jump's success line, the launch-at-login
// switch and the flags that replay each page's entrance. Skipping or finishing
// records that onboarding is complete; every way out asks the window to close.
// The window renders it after every change it reports. Main thread only.
class OnboardingView {
public:
    static constexpr int kStepCount = 3;
    // How long the test jump's success line stays.
    static constexpr double kWarpIndicatorSeconds = 3.0;

    // Asks the hosting window to close; true: the user finished or skipped.
    using OnClose = std::function<void(bool didFinishOrSkip)>;

    OnboardingView(OnboardingEnvironment environment, std::weak_ptr<AppActions> app, OnClose onClose);

    int currentStep() const { return currentStep_; }
    bool showWarpIndicator() const { return showWarpIndicator_; }
    bool launchAtLogin() const { return launchAtLogin_; }
    // Whether the page of a step plays (true) or waits to play (false) its entrance.
    bool animateStep(int step) const;

    // The login item as it is now (every call asks afresh).
    bool isLoginItemEnabled() const;
    // The bottom bar: skip on the first step, back after it; the primary
    // button's title, with a chevron while it moves on rather than finishes.
    bool leftButtonSkips() const { return currentStep_ < 1; }
    std::string leftButtonTitle() const;
    std::string primaryButtonTitle() const;
    bool primaryButtonHasChevron() const { return currentStep_ <= 1; }

    // The bottom bar's actions.
    void goBack();
    void skip();
    void advance();
    // Step 1's switch: registers or unregisters the login item; afterwards the
    // switch shows what the login item reports.
    void setLaunchAtLogin(bool on);
    // Step 2's buttons.
    void testJump();
    void openShortcutSettings();

    // The window says when a step's page comes and goes; these only set state
    // (the window renders afterwards).
    void pageAppeared(int step);
    void pageDisappeared(int step);

    // Called after every change the view makes by itself or through its actions.
    void setChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

private:
    void hideWarpIndicator();
    void changed();

    OnboardingEnvironment environment_;
    std::weak_ptr<AppActions> app_;
    OnClose onClose_;
    std::function<void()> onChange_;
    int currentStep_ = 0;
    bool showWarpIndicator_ = false;
    bool launchAtLogin_ = false;
    bool animateStep_[kStepCount] = {false, false, false};
    // Delayed jobs hold this weakly: one that runs after the view is gone does nothing.
    std::shared_ptr<OnboardingView*> self_ = std::make_shared<OnboardingView*>(this);
};

}  // namespace tessivar
