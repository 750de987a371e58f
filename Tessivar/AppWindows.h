#pragma once
#include <memory>

namespace tessivar {

class AppActions;

// The application's windows: the first-run onboarding and the settings.
class AppWindows {
public:
    virtual ~AppWindows() = default;
    // Brings the onboarding forward, making it first when there is none; it
    // reaches the application through `app` while that lives.
    virtual void showOnboarding(std::weak_ptr<AppActions> app) = 0;
    virtual void showSettings() = 0;
};

}  // namespace tessivar
