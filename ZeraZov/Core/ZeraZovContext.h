#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/SystemInfo.h"
#include "ZeraZov/Core/ZeraZovReachabilitySource.h"

namespace zerazov {

// The application, device, system and library properties merged into every event,
// and the smaller set sent as default person properties with feature-flag requests.
// The static parts are built once, by whichever thread asks first; the dynamic part
// (screen size, language, time zone, network) is built anew for every event.
class ZeraZovContext {
public:
    struct ScreenSize {
        double width = 0;
        double height = 0;
    };

    // Without a reachability source events carry no network keys.
    ZeraZovContext(std::shared_ptr<ZeraZovReachabilitySource> reachability, platform::SystemInfo system,
                   platform::BundleInfo bundle);
    ZeraZovContext(const ZeraZovContext&) = delete;
    ZeraZovContext& operator=(const ZeraZovContext&) = delete;

    const nlohmann::json& theStaticContext() const;
    // "$lib" and "$lib_version" as they were when first asked for.
    const nlohmann::json& theSdkInfo() const;
    const nlohmann::json& thePersonPropertiesContext() const;
    nlohmann::json dynamicContext() const;

    // The application measures the screen of its active window and hands it in when a
    // window becomes active or moves to another screen; nothing means no screen.
    void setScreenSize(std::optional<ScreenSize> size);
    std::optional<ScreenSize> screenSize() const;

private:
    nlohmann::json buildStaticContext() const;
    nlohmann::json buildSdkInfo() const;
    nlohmann::json buildPersonPropertiesContext() const;
    void addNetwork(nlohmann::json& context) const;
    std::optional<std::uint32_t> currentFlags() const;

    std::shared_ptr<ZeraZovReachabilitySource> reachability_;
    platform::SystemInfo system_;
    platform::BundleInfo bundle_;

    mutable std::mutex screenSizeLock_;  // guards screenSize_
    std::optional<ScreenSize> screenSize_;

    mutable std::once_flag staticContextOnce_;
    mutable nlohmann::json staticContext_;
    mutable std::once_flag sdkInfoOnce_;
    mutable nlohmann::json sdkInfo_;
    mutable std::once_flag personPropertiesOnce_;
    mutable nlohmann::json personPropertiesContext_;
};

}  // namespace zerazov
