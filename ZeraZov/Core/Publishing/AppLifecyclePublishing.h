#pragma once
#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"

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

}  // namespace zerazov
