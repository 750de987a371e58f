// Opt-out and opt-in, and the integration driver.
#include <utility>

#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Client/ZeraZovBuiltInIntegrations.h"
#include "ZeraZov/Core/DIContainer.h"
#include "ZeraZov/Core/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

void logIntegration(const ZeraZovIntegration& integration, std::string_view outcome) {
    ZeraZovDebugLog::write("Integration " + std::string(integration.typeName()) + std::string(outcome));
}

}  // namespace

// ---- Opt-out ----

void ZeraZovSDK::optOut() noexcept {
    runNoThrow("optOut", [&] {
        const auto use = guard();
        if (!use || (*use)->config->optOut) return;
        setOptOut(**use, true);
        uninstallIntegrations();
    });
}

void ZeraZovSDK::optIn() noexcept {
    runNoThrow("optIn", [&] {
        const auto use = guard();
        if (!use || !(*use)->config->optOut) return;
        setOptOut(**use, false);
        installIntegrations();
    });
}

void ZeraZovSDK::setOptOut(const Parts& parts, bool optedOut) {
    std::lock_guard guard(optOutLock_);
    parts.config->optOut = optedOut;
    parts.storage->setJSON(ZeraZovStorage::StorageKey::optOut, optedOut);
}

bool ZeraZovSDK::isOptOut() const noexcept {
    const auto use = guard();
    return !use || (*use)->config->optOut;
}

// ---- Integrations ----

void ZeraZovSDK::installIntegrations() noexcept {
    runNoThrow("Installing integrations", [&] {
        std::lock_guard guard(setupLock_);
        if (!installedIntegrations_.empty()) {
            return ZeraZovDebugLog::write("Integrations already installed. Call uninstallIntegrations() first.");
        }
        std::vector<std::shared_ptr<ZeraZovIntegration>> installed;
        for (const auto kind : config_->getIntegrations()) {
            auto integration = environment_.makeIntegration ? environment_.makeIntegration(kind) : nullptr;
            if (!integration) integration = makeBuiltInIntegration(kind, lifecycle(), environment_.userDefaults,
                                                                           environment_.bundle);
            if (!integration) continue;
            if (integration->requiresSwizzling() && !config_->enableSwizzling) {
                logIntegration(*integration,
                               " skipped. Integration requires swizzling but enableSwizzling is disabled in config");
                continue;
            }
            if (const auto refusal = integration->install(*this)) {
                logIntegration(*integration, " skipped: " + std::string(describe(*refusal)));
                continue;
            }
            logIntegration(*integration, " installed");
            installed.push_back(std::move(integration));
        }
        installedIntegrations_ = std::move(installed);
    });
}

void ZeraZovSDK::uninstallIntegrations() noexcept {
    std::lock_guard guard(setupLock_);
    const auto installed = std::exchange(installedIntegrations_, {});
    for (const auto& integration : installed) {
        integration->uninstall(*this);
        logIntegration(*integration, " uninstalled");
    }
}

std::shared_ptr<ZeraZovRemoteConfig> ZeraZovSDK::remoteConfig() const {
    std::lock_guard guard(setupLock_);
    return parts_ ? parts_->remoteConfig : nullptr;
}

AppLifecyclePublishing& ZeraZovSDK::lifecycle() const {
    return environment_.lifecycle ? *environment_.lifecycle : DI::main().appLifecyclePublisher();
}

std::vector<std::shared_ptr<ZeraZovIntegration>> ZeraZovSDK::installedIntegrations() const {
    std::lock_guard guard(setupLock_);
    return installedIntegrations_;
}

void ZeraZovSDK::updateIntegrationsContext() noexcept {
    runNoThrow("Updating the integrations' context", [&] {
        const auto use = guard();
        if (!use) return;
        const auto& parts = **use;
        const auto distinctId = parts.storageManager->getDistinctId();
        const nlohmann::json context{
            {"distinct_id", distinctId},
            {"event_properties", buildPropertiesWith(parts, distinctId, std::nullopt, std::nullopt, std::nullopt,
                                                     std::nullopt, true, std::nullopt)}};
        for (const auto& integration : installedIntegrations()) integration->updateContext(context);
    });
}

}  // namespace zerazov
