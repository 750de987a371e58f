// Opt-out and opt-in, and the integration driver.
#include <utility>

#include "ZeraZov/Client/Integrations/Private/ZeraZovBuiltInIntegrations.h"
#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

void logIntegration(const ZeraZovIntegration& integration, std::string_view outcome) {
    ZeraZovDebugLog::write("Integration " + std::string(integration.typeName()) + std::string(outcome));
}

// One integration's `step`: what it throws ends only that step, logged as
// "Integration T <step> failed: ...". True when it ran through.
template <typename Step>
bool ranContained(const ZeraZovIntegration& integration, std::string_view step, Step&& body) noexcept {
    try {
        std::forward<Step>(body)();
        return true;
    } catch (...) {
        logFailure("Integration " + std::string(integration.typeName()) + " " + std::string(step));
        return false;
    }
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

// Each integration on its own: one that throws is logged and left out, and
// the others are still installed, uninstalled or told the context.
void ZeraZovSDK::installIntegrations() noexcept {
    runNoThrow("Installing integrations", [&] {
        std::lock_guard guard(setupLock_);
        if (!installedIntegrations_.empty()) {
            return ZeraZovDebugLog::write("Integrations already installed. Call uninstallIntegrations() first.");
        }
        const auto kinds = config_->getIntegrations();
        std::vector<std::shared_ptr<ZeraZovIntegration>> installed;
        // Reserved, so that keeping an installed integration cannot fail.
        installed.reserve(kinds.size());
        for (const auto kind : kinds) {
            if (auto integration = installedIntegration(kind)) installed.push_back(std::move(integration));
        }
        installedIntegrations_ = std::move(installed);
    });
}

std::shared_ptr<ZeraZovIntegration> ZeraZovSDK::installedIntegration(ZeraZovIntegrationKind kind) {
    std::shared_ptr<ZeraZovIntegration> integration;
    try {
        if (environment_.makeIntegration) integration = environment_.makeIntegration(kind);
        if (!integration)
            integration = makeBuiltInIntegration(kind, lifecycle(), environment_.userDefaults, environment_.bundle);
    } catch (...) {
        logFailure("Making an integration");
        return nullptr;
    }
    if (!integration) return nullptr;
    if (integration->requiresSwizzling() && !config_->enableSwizzling) {
        logIntegration(*integration,
                       " skipped. Integration requires swizzling but enableSwizzling is disabled in config");
        return nullptr;
    }
    std::optional<ZeraZovIntegrationInstallError> refusal;
    if (!ranContained(*integration, "install", [&] { refusal = integration->install(*this); })) return nullptr;
    if (refusal) {
        logIntegration(*integration, " skipped: " + std::string(describe(*refusal)));
        return nullptr;
    }
    logIntegration(*integration, " installed");
    return integration;
}

void ZeraZovSDK::uninstallIntegrations() noexcept {
    std::lock_guard guard(setupLock_);
    const auto installed = std::exchange(installedIntegrations_, {});
    for (const auto& integration : installed) {
        if (ranContained(*integration, "uninstall", [&] { integration->uninstall(*this); })) {
            logIntegration(*integration, " uninstalled");
        }
    }
}

std::shared_ptr<ZeraZovRemoteConfig> ZeraZovSDK::remoteConfig() const {
    std::lock_guard guard(setupLock_);
    return parts_ ? parts_->remoteConfig : nullptr;
}

AppLifecyclePublishing& ZeraZovSDK::lifecycle() {
    if (environment_.lifecycle) return *environment_.lifecycle;
    // Made again for another environment's center only while no integration holds
    // the one made before, as none does once the client is closed.
    if (!ownLifecycle_ || (ownLifecycleCenter_ != environment_.notifications && installedIntegrations_.empty())) {
        ownLifecycle_ = makeApplicationLifecyclePublisher(*environment_.notifications);
        ownLifecycleCenter_ = environment_.notifications;
    }
    return *ownLifecycle_;
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
        for (const auto& integration : installedIntegrations()) {
            ranContained(*integration, "context update", [&] { integration->updateContext(context); });
        }
    });
}

}  // namespace zerazov
