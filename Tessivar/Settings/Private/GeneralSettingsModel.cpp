#include "Tessivar/Settings/Private/GeneralSettingsModel.h"

#include "Platform/Desktop/LoginItem.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AppDefaults.h"
#include "Tessivar/AppLog.h"

namespace tessivar {

GeneralSettingsModel::GeneralSettingsModel(platform::UserDefaults& defaults, platform::LoginItem& loginItem)
    : defaults_(defaults), loginItem_(loginItem) {}

std::string GeneralSettingsModel::visualEffectType() const { return AppDefaults::effectType(defaults_); }

void GeneralSettingsModel::setVisualEffectType(std::string_view tag) {
    defaults_.set(AppDefaults::visualEffectType, std::string(tag));
}

bool GeneralSettingsModel::rememberLastPosition() const { return AppDefaults::rememberLastPositionEnabled(defaults_); }

void GeneralSettingsModel::setRememberLastPosition(bool remember) {
    defaults_.set(AppDefaults::rememberLastPosition, remember);
}

void GeneralSettingsModel::refreshLaunchAtLogin() {
    launchAtLogin_ = loginItem_.status() == platform::LoginItemStatus::enabled;
}

// Switched on while the item is enabled already (turned on elsewhere since the
// pane came on screen): nothing to register, but the switch must show it on.
void GeneralSettingsModel::setLaunchAtLogin(bool on) {
    if (on && loginItem_.status() == platform::LoginItemStatus::enabled) {
        refreshLaunchAtLogin();
        return;
    }
    const auto failure = on ? loginItem_.registerItem() : loginItem_.unregisterItem();
    if (failure) appLog("切换开机自启动失败: " + *failure);
    refreshLaunchAtLogin();
}

}  // namespace tessivar
