#pragma once
#include <optional>

#include "Tessivar/Onboarding/Private/OnboardingPage.h"

class QFrame;

namespace tessivar {

class SwitchToggle;

// Step 1: launch at login. A switch while the login item is off; once the
// login item reports it is on, a badge that says so in its place.
class LaunchAtLoginPage : public OnboardingPage {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "登录时自动启动";
    static constexpr const char* kText = "开机后即可通过快捷键随时瞬移光标，流畅省心。";
    static constexpr const char* kSwitch = "登录时启动";
    static constexpr const char* kEnabled = "登录时自动启动已成功开启";

    LaunchAtLoginPage(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent = nullptr);

    void render() override;
    // Null while the badge shows.
    SwitchToggle* toggle() const { return toggle_; }
    bool showsBadge() const { return shownEnabled_.value_or(false); }

private:
    void showContent(bool enabled);
    QWidget* badge() const;
    QWidget* switchRow();

    QFrame* card_;
    QWidget* content_ = nullptr;
    SwitchToggle* toggle_ = nullptr;
    std::optional<bool> shownEnabled_;
};

}  // namespace tessivar
