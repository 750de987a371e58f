#pragma once
#include <filesystem>
#include <memory>

#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeReachabilityBackend.h"
#include "ZeraZov/Client/ZeraZovSDK.h"

namespace zerazov::testing {

// What an analytics client needs around it in a test: the test's main queue,
// notification center, lifecycle and folder, settings of its own in that folder, and
// a network that is always up.
inline ZeraZovSDK::Environment testClientEnvironment(platform::MainQueue& mainQueue,
                                                     platform::NotificationCenter& center,
                                                     AppLifecyclePublishing& lifecycle,
                                                     const std::filesystem::path& storageFolder) {
    ZeraZovSDK::Environment environment;
    environment.mainQueue = &mainQueue;
    environment.notifications = &center;
    environment.makeReachabilityBackend = [] {
        return platform::ReachabilityBackend::Created{std::make_unique<platform::FakeReachabilityBackend>(0x2), 0};
    };
    environment.lifecycle = &lifecycle;
    environment.storageBaseFolder = storageFolder;
    auto defaults = std::make_shared<platform::UserDefaults>(storageFolder / "defaults.json");
    environment.userDefaults = [defaults]() -> platform::UserDefaults& { return *defaults; };
    return environment;
}

}  // namespace zerazov::testing
