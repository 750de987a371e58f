#pragma once
#include <memory>

#include "Tessivar/LaunchServices.h"
#include "Tessivar/Settings/SettingsEnvironment.h"

namespace tessivar {

class SettingsWindowController;

// The application's windows as Qt widgets. The settings window is made on the
// first request and kept for the run.
class QtAppWindows : public AppWindows {
public:
    explicit QtAppWindows(SettingsEnvironment environment);
    ~QtAppWindows() override;

    // The first-run window is not part of the program yet: nothing opens.
    void showOnboarding(std::weak_ptr<AppActions>) override {}
    void showSettings() override;

    // Null before the first showSettings().
    SettingsWindowController* settings() const { return settings_.get(); }

private:
    SettingsEnvironment environment_;
    std::unique_ptr<SettingsWindowController> settings_;
};

}  // namespace tessivar
