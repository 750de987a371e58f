#include "Hotkeys/Services.h"

#include "Hotkeys/Hotkeys.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"

namespace Hotkeys {

platform::UserDefaults& userDefaults() {
    platform::UserDefaults* installed = environment().defaults;
    return installed != nullptr ? *installed : platform::UserDefaults::standard();
}

platform::NotificationCenter& notificationCenter() {
    platform::NotificationCenter* installed = environment().notifications;
    return installed != nullptr ? *installed : platform::NotificationCenter::defaultCenter();
}

void runOnMainQueue(platform::MainQueue* queue, std::function<void()> work) {
    if (queue == nullptr) {
        work();
        return;
    }
    queue->async(std::move(work));
}

}  // namespace Hotkeys
