#pragma once
#include <array>
#include <string>
#include <string_view>

namespace platform {
class LoginItem;
class UserDefaults;
}  // namespace platform

namespace tessivar {

// The General pane's state: the locating effect and position memory are the
// application's settings, read and written at once (the jump engine reads them
// at its next jump); launch at login is whatever the login item reports.
class GeneralSettingsModel {
public:
    struct EffectChoice {
        std::string_view title;
        std::string_view tag;  // the stored "visualEffectType"
    };
    static constexpr std::array<EffectChoice, 3> kEffectChoices{{
        {"光标缩放", "scale"},
        {"定位环", "ripple"},
        {"关闭", "off"},
    }};

    // Both outlive the model.
    GeneralSettingsModel(platform::UserDefaults& defaults, platform::LoginItem& loginItem);

    // The stored effect, "scale" when none is stored; it may match no choice.
    std::string visualEffectType() const;
    void setVisualEffectType(std::string_view tag);
    bool rememberLastPosition() const;
    void setRememberLastPosition(bool remember);

    // On only while the login item reports enabled. Read when the pane comes on
    // screen and after every switch.
    bool launchAtLogin() const { return launchAtLogin_; }
    void refreshLaunchAtLogin();
    // Registers or unregisters the login item; a failure is logged, and either
    // way the state shows what the login item reports afterwards.
    void setLaunchAtLogin(bool on);

private:
    platform::UserDefaults& defaults_;
    platform::LoginItem& loginItem_;
    bool launchAtLogin_ = false;
};

}  // namespace tessivar
