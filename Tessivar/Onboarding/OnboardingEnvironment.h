#pragma once

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

}  // namespace tessivar
