#pragma once
#include <functional>

namespace platform {
class MainQueue;
class NotificationCenter;
class UserDefaults;
}  // namespace platform

namespace Hotkeys {

// The environment's services as the package uses them. The process-wide user
// defaults and notification center stand in for ones the program did not
// install, so a name built before start-up finishes still reads its record.
platform::UserDefaults& userDefaults();
platform::NotificationCenter& notificationCenter();
// Runs the work on the environment's main queue, or at once when there is none.
void runOnMainQueue(platform::MainQueue* queue, std::function<void()> work);

}  // namespace Hotkeys
