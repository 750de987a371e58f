#include "Tessivar/Settings/QtAppWindows.h"

#include "Tessivar/Settings/SettingsWindowController.h"

namespace tessivar {

QtAppWindows::QtAppWindows(SettingsEnvironment environment) : environment_(std::move(environment)) {}

QtAppWindows::~QtAppWindows() = default;

void QtAppWindows::showSettings() {
    if (!settings_) settings_ = std::make_unique<SettingsWindowController>(environment_);
    settings_->show();
}

}  // namespace tessivar
