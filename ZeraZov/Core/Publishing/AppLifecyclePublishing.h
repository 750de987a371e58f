#pragma once
#include <memory>

#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"

namespace platform {
class NotificationCenter;
}

namespace zerazov {

// The application's lifecycle signals as the client, the session manager and the
// lifecycle integration listen to them.
class AppLifecyclePublishing {
public:
    virtual ~AppLifecyclePublishing() = default;
    virtual ZeraZovMulticastCallback<>& onDidFinishLaunching() = 0;
    virtual ZeraZovMulticastCallback<>& onDidBecomeActive() = 0;
    // The application resigned active.
    virtual ZeraZovMulticastCallback<>& onDidEnterBackground() = 0;
};

// The signals of the application's activation notifications as posted on
// `center`, which it observes while it lives.
std::unique_ptr<AppLifecyclePublishing> makeApplicationLifecyclePublisher(platform::NotificationCenter& center);

}  // namespace zerazov
