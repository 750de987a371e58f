#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/SystemInfo.h"
#include "Platform/Foundation/TimeZoneCache.h"
#include "ZeraZov/Core/Config/ZeraZovReachabilitySource.h"
#include "ZeraZov/Core/Events/ZeraZovScreenSize.h"

namespace zerazov {

// The application, device, system and library properties merged into every event,
// and the smaller set sent as default person properties with feature-flag requests.
// The static parts are built once, by whichever thread asks first; the dynamic part
// (screen size, language, time zone, network) is built anew for every event, the
// time zone read again only once the system's zone has changed.
//
// The screen size is the one thing it keeps up to date: the size of the screen of
// the application's active window, measured on the main thread whenever a window
// becomes active, the active window moves to another screen or the application
// becomes active; none until the first measurement.
class ZeraZovContext : public std::enable_shared_from_this<ZeraZovContext> {
public:
    // Where the screen size comes from; without all three it is never measured.
    // The center and the queue must outlive the context.
    struct ScreenWatch {
        platform::NotificationCenter* notifications = nullptr;
        platform::MainQueue* mainQueue = nullptr;
        ZeraZovKeyWindowScreenSize keyWindowScreenSize;
    };

    // Without a reachability source events carry no network keys.
    ZeraZovContext(std::shared_ptr<ZeraZovReachabilitySource> reachability, platform::SystemInfo system,
                   platform::BundleInfo bundle, ScreenWatch screenWatch);
    // One that never measures the screen.
    ZeraZovContext(std::shared_ptr<ZeraZovReachabilitySource> reachability, platform::SystemInfo system,
                   platform::BundleInfo bundle);
    ~ZeraZovContext();
    ZeraZovContext(const ZeraZovContext&) = delete;
    ZeraZovContext& operator=(const ZeraZovContext&) = delete;

    const nlohmann::json& theStaticContext() const;
    // "$lib" and "$lib_version" as they were when first asked for.
    const nlohmann::json& theSdkInfo() const;
    const nlohmann::json& thePersonPropertiesContext() const;
    nlohmann::json dynamicContext() const;

    // Starts following the window and application notifications that call for a new
    // measurement; called once the context is owned by a shared pointer.
    void registerNotifications();
    void unregisterNotifications();
    void onShouldUpdateScreenSize();
    // Measures at once on the main thread, from the main queue on any other.
    void updateScreenSize();
    std::optional<ZeraZovScreenSize> screenSize() const;

private:
    void measureScreenSize();
    nlohmann::json buildStaticContext() const;
    nlohmann::json buildSdkInfo() const;
    nlohmann::json buildPersonPropertiesContext() const;
    void addNetwork(nlohmann::json& context) const;
    std::optional<std::uint32_t> currentFlags() const;

    std::shared_ptr<ZeraZovReachabilitySource> reachability_;
    platform::SystemInfo system_;
    platform::TimeZoneCache timeZone_{system_};
    platform::BundleInfo bundle_;
    const ScreenWatch screenWatch_;

    std::mutex observersLock_;  // guards observers_
    std::vector<platform::ObserverTokenPtr> observers_;

    mutable std::mutex screenSizeLock_;  // guards screenSize_
    std::optional<ZeraZovScreenSize> screenSize_;

    mutable std::once_flag staticContextOnce_;
    mutable nlohmann::json staticContext_;
    mutable std::once_flag sdkInfoOnce_;
    mutable nlohmann::json sdkInfo_;
    mutable std::once_flag personPropertiesOnce_;
    mutable nlohmann::json personPropertiesContext_;
};

}  // namespace zerazov
