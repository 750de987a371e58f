#include "ZeraZov/Core/Publishing/Private/ApplicationLifecyclePublisher.h"

namespace zerazov {

ApplicationLifecyclePublisher::ApplicationLifecyclePublisher(platform::NotificationCenter& center) {
    // Without a queue the handlers run on the posting thread, which is the main thread.
    didFinishLaunchingObserver_ =
        center.addObserver(kApplicationDidFinishLaunchingNotification, nullptr,
                           [this](const platform::Notification&) { appDidFinishLaunching(); });
    didResignActiveObserver_ = center.addObserver(kApplicationDidResignActiveNotification, nullptr,
                                                  [this](const platform::Notification&) { appDidEnterBackground(); });
    didBecomeActiveObserver_ = center.addObserver(kApplicationDidBecomeActiveNotification, nullptr,
                                                  [this](const platform::Notification&) { appDidBecomeActive(); });
}

std::unique_ptr<AppLifecyclePublishing> makeApplicationLifecyclePublisher(platform::NotificationCenter& center) {
    return std::make_unique<ApplicationLifecyclePublisher>(center);
}

}  // namespace zerazov
