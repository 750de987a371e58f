#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/UserDefaults.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovInstallSlot.h"
#include "ZeraZov/Client/Integrations/ZeraZovIntegration.h"
#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"
#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"

namespace zerazov {

// Turns the application's lifecycle into events: "Application Installed" or
// "Application Updated" once per process when the build differs from the one seen
// last, "Application Opened" each time the application becomes active after being
// inactive, "Application Backgrounded" each time it stops being active. One client
// per process can hold it. Its handlers run on the thread that raises the lifecycle
// signals (the main thread).
class ZeraZovAppLifeCycleIntegration final : public ZeraZovIntegration,
                                             public std::enable_shared_from_this<ZeraZovAppLifeCycleIntegration> {
public:
    // What the integration keeps per process rather than per object.
    struct ProcessState {
        ZeraZovInstallSlot slot;
        // Set by the first install or update check that ran; never cleared.
        std::atomic<bool> installCheckDone{false};

        static ProcessState& shared();
    };

    struct Dependencies {
        AppLifecyclePublishing& lifecycle;
        platform::UserDefaults& defaults;
        platform::BundleInfo bundle;
        ProcessState& process;
    };

    // The application's version and build at the last install or update check.
    static constexpr const char* versionKey = "ZZGVersionKey";
    static constexpr const char* buildKey = "ZZGBuildKeyV2";

    explicit ZeraZovAppLifeCycleIntegration(Dependencies dependencies) : dependencies_(dependencies) {}

    std::string_view typeName() const override { return "ZeraZovAppLifeCycleIntegration"; }
    bool requiresSwizzling() const override { return false; }
    std::optional<ZeraZovIntegrationInstallError> install(ZeraZovSDK& sdk) override;
    void uninstall(ZeraZovSDK& sdk) override;
    void updateContext(const nlohmann::json&) override {}

private:
    void subscribe();
    void checkInstallOrUpdate();
    void didBecomeActive();
    void didEnterBackground();
    // The "version" and "build" of the running application, those it has.
    nlohmann::json versionProperties() const;
    std::optional<std::string> currentVersion() const;
    std::optional<std::string> currentBuild() const;

    Dependencies dependencies_;
    std::weak_ptr<ZeraZovSDK> zeraZov_;
    bool isFreshAppLaunch_ = true;
    // Starts as backgrounded so that the first activation counts as an opening.
    bool isAppBackgrounded_ = true;
    RegistrationTokenPtr didBecomeActiveToken_;
    RegistrationTokenPtr didEnterBackgroundToken_;
    RegistrationTokenPtr didFinishLaunchingToken_;
};

}  // namespace zerazov
