#include "Tessivar/Onboarding/OnboardingView.h"

#include "Platform/Desktop/LoginItem.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AppDefaults.h"
#include "Tessivar/AppLog.h"

namespace tessivar {

namespace {
bool isStep(int step) { return step >= 0 && step < OnboardingView::kStepCount; }
}  // namespace

OnboardingView::OnboardingView(OnboardingEnvironment environment, std::weak_ptr<AppActions> app, OnClose onClose)
    : environment_(environment), app_(std::move(app)), onClose_(std::move(onClose)) {}

bool OnboardingView::animateStep(int step) const { return isStep(step) && animateStep_[step]; }

bool OnboardingView::isLoginItemEnabled() const {
    return environment_.loginItem.status() == platform::LoginItemStatus::enabled;
}

std::string OnboardingView::leftButtonTitle() const { return leftButtonSkips() ? "跳过" : "上一步"; }

// On step 1 "跳过" only moves on, like "下一步": it names what the user does
// by leaving the switch off.
std::string OnboardingView::primaryButtonTitle() const {
    if (currentStep_ == 0) return "下一步";
    if (currentStep_ == 1) return isLoginItemEnabled() ? "下一步" : "跳过";
    return "立即开启";
}

void OnboardingView::goBack() {
    if (currentStep_ < 1) return;
    --currentStep_;
    changed();
}

void OnboardingView::skip() {
    environment_.defaults.set(AppDefaults::hasCompletedOnboarding, true);
    onClose_(true);
}

void OnboardingView::advance() {
    if (currentStep_ > 1) return skip();
    ++currentStep_;
    changed();
}

// Switched on while the item is enabled already (turned on elsewhere since the
// page came on screen): nothing to register, and the switch is left as it is.
void OnboardingView::setLaunchAtLogin(bool on) {
    if (on && isLoginItemEnabled()) return changed();
    const auto failure = on ? environment_.loginItem.registerItem() : environment_.loginItem.unregisterItem();
    if (failure) appLog("引导页切换开机自启动失败: " + *failure);
    launchAtLogin_ = isLoginItemEnabled();
    changed();
}

// Jumps as the application's own next-display jump does, without counting it
// as the user's; a jump that fails shows nothing.
void OnboardingView::testJump() {
    const auto app = app_.lock();
    if (!app || !app->jumpToNextScreen()) return;
    showWarpIndicator_ = true;
    changed();
    // Never replaced: a second test within the time ends with the first one's.
    environment_.mainQueue.asyncAfter(kWarpIndicatorSeconds, [weak = std::weak_ptr(self_)] {
        if (const auto self = weak.lock()) (*self)->hideWarpIndicator();
    });
}

void OnboardingView::hideWarpIndicator() {
    showWarpIndicator_ = false;
    changed();
}

// The settings view reads the one-shot request when it comes on screen, and an
// open one follows the notification; both lead to the Shortcuts pane.
// Onboarding is not complete: it opens again at the next launch.
void OnboardingView::openShortcutSettings() {
    if (const auto app = app_.lock()) {
        environment_.defaults.set(AppDefaults::shouldShowShortcutsPaneOnOpen, true);
        app->openHotKeySettings();
        environment_.notifications.post(kSelectShortcutsPane);
    }
    onClose_(true);
}

void OnboardingView::pageAppeared(int step) {
    if (!isStep(step)) return;
    if (step == 1) launchAtLogin_ = isLoginItemEnabled();
    animateStep_[step] = true;
}

// Leaving the test page takes its success line away at once.
void OnboardingView::pageDisappeared(int step) {
    if (!isStep(step)) return;
    animateStep_[step] = false;
    if (step == 2) showWarpIndicator_ = false;
}

void OnboardingView::changed() {
    if (onChange_) onChange_();
}

}  // namespace tessivar
