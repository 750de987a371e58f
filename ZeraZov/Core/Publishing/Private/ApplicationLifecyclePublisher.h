#pragma once
#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"

namespace zerazov {

// What the application posts on its notification center when its activation
// changes; the publisher turns them into its three signals.
inline constexpr const char* kApplicationDidFinishLaunchingNotification =
    platform::ApplicationNotifications::didFinishLaunching;
inline constexpr const char* kApplicationDidBecomeActiveNotification =
    platform::ApplicationNotifications::didBecomeActive;
inline constexpr const char* kApplicationDidResignActiveNotification =
    platform::ApplicationNotifications::didResignActive;

// Fans the application's lifecycle notifications out to the analytics client.
// Handlers run on the thread that posted (the main thread in the application).
class ApplicationLifecyclePublisher final : public AppLifecyclePublishing {
public:
    // Observes the three notifications on the given center while it lives.
    explicit ApplicationLifecyclePublisher(platform::NotificationCenter& center);
    ApplicationLifecyclePublisher(const ApplicationLifecyclePublisher&) = delete;
    ApplicationLifecyclePublisher& operator=(const ApplicationLifecyclePublisher&) = delete;

    ZeraZovMulticastCallback<>& onDidFinishLaunching() override { return onDidFinishLaunching_; }
    ZeraZovMulticastCallback<>& onDidBecomeActive() override { return onDidBecomeActive_; }
    ZeraZovMulticastCallback<>& onDidEnterBackground() override { return onDidEnterBackground_; }

    // The notification handlers; callable directly as well.
    void appDidFinishLaunching() { onDidFinishLaunching_.invoke(); }
    void appDidBecomeActive() { onDidBecomeActive_.invoke(); }
    void appDidEnterBackground() { onDidEnterBackground_.invoke(); }

private:
    ZeraZovMulticastCallback<> onDidBecomeActive_;
    ZeraZovMulticastCallback<> onDidEnterBackground_;
    ZeraZovMulticastCallback<> onDidFinishLaunching_;
    platform::ObserverTokenPtr didFinishLaunchingObserver_;
    platform::ObserverTokenPtr didResignActiveObserver_;
    platform::ObserverTokenPtr didBecomeActiveObserver_;
};

}  // namespace zerazov
