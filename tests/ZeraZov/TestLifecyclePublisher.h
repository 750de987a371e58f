#pragma once
#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"

namespace zerazov::testing {

// Lifecycle signals that a test raises itself.
class TestLifecyclePublisher final : public AppLifecyclePublishing {
public:
    ZeraZovMulticastCallback<>& onDidFinishLaunching() override { return launched_; }
    ZeraZovMulticastCallback<>& onDidBecomeActive() override { return active_; }
    ZeraZovMulticastCallback<>& onDidEnterBackground() override { return background_; }

private:
    ZeraZovMulticastCallback<> launched_;
    ZeraZovMulticastCallback<> active_;
    ZeraZovMulticastCallback<> background_;
};

}  // namespace zerazov::testing
