#include "ZeraZov/Client/Integrations/Private/ZeraZovAppLifeCycleIntegration.h"

#include <functional>
#include <utility>

#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Utilities/Utils.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

using nlohmann::json;

// False, with the skipping line, when the client no longer asks for lifecycle events.
bool capturesLifecycle(const ZeraZovSDK& client, std::string_view skippedEvent) {
    if (client.config()->captureApplicationLifecycleEvents) return true;
    ZeraZovDebugLog::write("Skipping " + std::string(skippedEvent) +
                           " event - captureApplicationLifecycleEvents is disabled in configuration");
    return false;
}

// Runs the integration's member while it lives; a handler never keeps it alive.
template <typename Member>
std::function<void()> weakly(const std::shared_ptr<ZeraZovAppLifeCycleIntegration>& integration, Member member) {
    return [weak = std::weak_ptr(integration), member] {
        if (const auto self = weak.lock()) (self.get()->*member)();
    };
}

}  // namespace

ZeraZovAppLifeCycleIntegration::ProcessState& ZeraZovAppLifeCycleIntegration::ProcessState::shared() {
    static auto* state = new ProcessState();
    return *state;
}

std::optional<ZeraZovIntegrationInstallError> ZeraZovAppLifeCycleIntegration::install(ZeraZovSDK& sdk) {
    if (!dependencies_.process.slot.claim()) return ZeraZovIntegrationInstallError::alreadyInstalled;
    zeraZov_ = sdk.weak_from_this();
    subscribe();
    checkInstallOrUpdate();
    return std::nullopt;
}

void ZeraZovAppLifeCycleIntegration::subscribe() {
    auto& lifecycle = dependencies_.lifecycle;
    const auto self = shared_from_this();
    didFinishLaunchingToken_ =
        lifecycle.onDidFinishLaunching().subscribe(weakly(self, &ZeraZovAppLifeCycleIntegration::checkInstallOrUpdate));
    didBecomeActiveToken_ =
        lifecycle.onDidBecomeActive().subscribe(weakly(self, &ZeraZovAppLifeCycleIntegration::didBecomeActive));
    didEnterBackgroundToken_ =
        lifecycle.onDidEnterBackground().subscribe(weakly(self, &ZeraZovAppLifeCycleIntegration::didEnterBackground));
}

void ZeraZovAppLifeCycleIntegration::uninstall(ZeraZovSDK& sdk) {
    if (const auto holder = zeraZov_.lock(); holder && holder.get() != &sdk) return;
    didFinishLaunchingToken_.reset();
    didBecomeActiveToken_.reset();
    didEnterBackgroundToken_.reset();
    zeraZov_.reset();
    dependencies_.process.slot.release();
}

// Once per process, from the install or the launch signal, whichever comes first.
void ZeraZovAppLifeCycleIntegration::checkInstallOrUpdate() {
    const auto client = zeraZov_.lock();
    if (!client || dependencies_.process.installCheckDone.exchange(true)) return;
    if (!capturesLifecycle(*client, "Application Installed/Application Updated")) return;
    auto& defaults = dependencies_.defaults;
    const auto storedVersion = defaults.stringValue(versionKey);
    const auto storedBuild = defaults.stringValue(buildKey);
    const auto build = currentBuild();
    json properties = json::object();
    std::string event = "Application Installed";
    if (storedBuild) {
        if (build && *storedBuild == *build) return;
        event = "Application Updated";
        if (storedVersion) properties["previous_version"] = *storedVersion;
        properties["previous_build"] = propertyValueFromString(*storedBuild);
    }
    if (const auto version = currentVersion()) defaults.set(versionKey, *version);
    if (build) defaults.set(buildKey, *build);
    defaults.synchronize();
    properties.update(versionProperties());
    client->capture(event, properties);
}

void ZeraZovAppLifeCycleIntegration::didBecomeActive() {
    if (!isAppBackgrounded_) {
        return ZeraZovDebugLog::write("Skipping Application Opened event - app already in foreground");
    }
    isAppBackgrounded_ = false;
    const auto client = zeraZov_.lock();
    if (!client || !capturesLifecycle(*client, "Application Opened")) return;
    json properties{{"from_background", !isFreshAppLaunch_}};
    if (isFreshAppLaunch_) {
        properties.update(versionProperties());
        isFreshAppLaunch_ = false;
    }
    client->capture("Application Opened", properties);
}

void ZeraZovAppLifeCycleIntegration::didEnterBackground() {
    if (isAppBackgrounded_) return;
    isAppBackgrounded_ = true;
    const auto client = zeraZov_.lock();
    if (!client || !capturesLifecycle(*client, "Application Backgrounded")) return;
    client->capture("Application Backgrounded");
}

json ZeraZovAppLifeCycleIntegration::versionProperties() const {
    json properties = json::object();
    if (const auto version = currentVersion()) properties["version"] = *version;
    if (const auto build = currentBuild()) properties["build"] = propertyValueFromString(*build);
    return properties;
}

std::optional<std::string> ZeraZovAppLifeCycleIntegration::currentVersion() const {
    return appShortVersion(dependencies_.bundle);
}

std::optional<std::string> ZeraZovAppLifeCycleIntegration::currentBuild() const {
    const auto& build = dependencies_.bundle.build;
    return build.empty() ? std::nullopt : std::optional(build);
}

}  // namespace zerazov
