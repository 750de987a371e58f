// Set-up, close and tear-down of the client.
#include <exception>
#include <string>
#include <utility>

#include "ZeraZov/Client/Integrations/ZeraZovIntegration.h"
#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovProjectTokenRegistry.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"
#include "ZeraZov/Core/Storage/ZeraZovSessionManager.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Integrations/Logs/LogsQueueEndpoint.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogger.h"
#include "ZeraZov/Integrations/Logs/ZeraZovOTLPResource.h"

namespace zerazov {
namespace {

using nlohmann::json;
using Key = ZeraZovStorage::StorageKey;

ZeraZovRemoteConfig::Requests requestsOver(std::shared_ptr<const ZeraZovApi> api) {
    return {[api](ZeraZovRemoteConfig::JSONCompletion completion) {
                const bool canBeBuilt = api->getRemoteConfigRequest().has_value();
                api->remoteConfig(
                    [completion = std::move(completion)](std::optional<json> document, std::optional<ZeraZovError>) {
                        completion(std::move(document));
                    });
                return canBeBuilt;
            },
            [api](ZeraZovRemoteConfig::FlagsRequest request, ZeraZovRemoteConfig::JSONCompletion completion) {
                api->flags(
                    request.distinctId, request.anonymousId, request.deviceId, request.groups, request.personProperties,
                    request.groupProperties,
                    [completion = std::move(completion)](std::optional<json> answer, std::optional<ZeraZovError>) {
                        completion(std::move(answer));
                    });
            }};
}

// Without a monitor the queues run without pausing for the network, and events carry no network keys.
std::shared_ptr<Reachability> makeReachability(const ZeraZovSDK::Environment& environment) {
    if (!environment.makeReachabilityBackend) return nullptr;
    platform::ReachabilityBackend::Created backend;
    try {
        backend = environment.makeReachabilityBackend();
    } catch (...) {
        logFailure("Network reachability");
        return nullptr;
    }
    auto creation = Reachability::create(std::move(backend), *environment.mainQueue, *environment.notifications);
    if (creation.error) {
        ZeraZovDebugLog::write("Network reachability unavailable (error " + std::to_string(creation.error->code) + ")");
    }
    return creation.monitor;
}

std::shared_ptr<const ZeraZovStorage> makeStorage(const ZeraZovConfig& config,
                                                  const ZeraZovSDK::Environment& environment) {
    if (environment.storageBaseFolder) {
        return std::make_shared<const ZeraZovStorage>(*environment.storageBaseFolder, config.projectToken());
    }
    return std::make_shared<const ZeraZovStorage>(config, environment.bundle);
}

std::shared_ptr<ZeraZovStorageManager> storageManagerFor(ZeraZovConfig& config,
                                                         const ZeraZovSDK::Environment& environment) {
    if (auto manager = config.storageManager.get()) return manager;
    auto manager = environment.storageBaseFolder
                       ? std::make_shared<ZeraZovStorageManager>(*environment.storageBaseFolder, config.projectToken(),
                                                                 config.getAnonymousId.get())
                       : std::make_shared<ZeraZovStorageManager>(config, environment.bundle);
    config.storageManager.set(manager);
    return manager;
}

bool isString(const json& value) { return value.is_string(); }

}  // namespace

void ZeraZovSDK::setup(std::shared_ptr<ZeraZovConfig> config) noexcept {
    if (!config) return;
    runNoThrow("Setup", [&] {
        // Before any check, so that a refused second set-up can still turn logging on.
        ZeraZovDebugLog::setEnabled(config->debug);
        {
            std::lock_guard guard(setupLock_);
            if (enabled_) return ZeraZovDebugLog::write("Setup called despite already being setup!");
        }
        // Calls that began before a close may still be writing into the old queues'
        // folders, which the new queues are about to open.
        calls_->waitForOtherThreads();
        std::lock_guard guard(setupLock_);
        setupLocked(config);
    });
}

void ZeraZovSDK::setupLocked(const std::shared_ptr<ZeraZovConfig>& config) {
    if (enabled_) return ZeraZovDebugLog::write("Setup called despite already being setup!");
    if (config->projectToken().empty()) {
        return ZeraZovDebugLog::write("ZeraZov SDK will be disabled because projectToken or apiKey is empty.");
    }
    if (!environment_.mainQueue) {
        return ZeraZovDebugLog::write("ZeraZov SDK will be disabled because it has no main queue to run on.");
    }
    auto parts = buildParts(config, environment_);
    // The token is claimed and the client switched on once every part stands, not
    // before the parts are built: a part that fails to build then ends the set-up with
    // the client still not set up and its token unclaimed, so a later set-up is
    // welcome (switched on first, the client would refuse it for good), and no call
    // is ever handed a half-built set, as calls take the parts as one whole.
    if (!ZeraZovProjectTokenRegistry::shared().insert(config->projectToken())) {
        ZeraZovDebugLog::write("Project token: " + config->projectToken() + " already has a ZeraZov instance.");
    }
    config_ = config;
    parts_ = parts;
    enabled_ = true;
    startRunning(*parts, environment_);
}

std::shared_ptr<ZeraZovSDK::Parts> ZeraZovSDK::buildParts(const std::shared_ptr<ZeraZovConfig>& config,
                                                          const Environment& environment) {
    auto parts = std::make_shared<Parts>();
    parts->config = config;
    parts->clock = environment.clock;
    parts->storage = makeStorage(*config, environment);
    parts->api = std::make_shared<const ZeraZovApi>(config, *environment.clock);
    parts->storageManager = storageManagerFor(*config, environment);
    // The device id is fixed by the first set-up that asks for it.
    parts->storageManager->getDeviceId();
    const std::weak_ptr<ZeraZovSDK> weak = weak_from_this();
    parts->remoteConfig = std::make_shared<ZeraZovRemoteConfig>(
        config, parts->storage, requestsOver(parts->api),
        ZeraZovRemoteConfig::Notifier{*environment.mainQueue, *environment.notifications},
        [weak] {
            const auto self = weak.lock();
            return self ? self->defaultPersonProperties() : json::object();
        },
        [weak](const std::string& key, const json& value) {
            if (const auto self = weak.lock()) self->reportFeatureFlagCalled(key, value);
        });
    parts->reachability = makeReachability(environment);
    parts->context = std::make_shared<ZeraZovContext>(
        parts->reachability, platform::SystemInfo::current(), environment.bundle,
        ZeraZovContext::ScreenWatch{environment.notifications, environment.mainQueue, environment.keyWindowScreenSize});
    parts->context->registerNotifications();
    loadOptOut(*parts);

    parts->uploads = std::make_shared<ZeraZovUploadTracker>();
    parts->queue = ZeraZovQueue<ZeraZovEvent>::create(config, *parts->storage, parts->reachability,
                                                      parts->uploads->tracking(QueueEndpoints::events(parts->api)),
                                                      *environment.mainQueue, *environment.clock);
    parts->replayQueue = ZeraZovReplayQueue::create(config, *parts->storage, parts->reachability, parts->api,
                                                    *environment.mainQueue, *environment.clock);
    parts->logsQueue = ZeraZovQueue<ZeraZovLogRecord>::create(
        config, *parts->storage, parts->reachability,
        parts->uploads->tracking(LogsQueueEndpoint::make(parts->api, otlpResourceAttributes(config->logs))),
        *environment.mainQueue, *environment.clock);

    parts->eventBuilder = std::make_unique<ZeraZovEventBuilder>(config);
    parts->logCapture = std::make_unique<ZeraZovLogCapture>(
        config->logs.beforeSend,
        [this, manager = parts->storageManager, remote = parts->remoteConfig, clock = environment.clock] {
            ZeraZovLogContext context;
            context.distinctId = manager->getDistinctId();
            context.sessionId = sessionManager_->getSessionId(clock->now(), true);
            std::lock_guard guard(lastScreenLock_);
            context.screenName = lastScreenName_;
            context.appInBackground = sessionManager_->isAppInBackground();
            context.featureFlags = remote->cachedFeatureFlags();
            return context;
        },
        [queue = parts->logsQueue](ZeraZovLogRecord record) { queue->add(record); });
    parts->superProperties = std::make_unique<ZeraZovStoredDictionary>(parts->storage, Key::registerProperties);
    parts->groups = std::make_unique<ZeraZovStoredDictionary>(parts->storage, Key::groups, isString);
    return parts;
}

void ZeraZovSDK::loadOptOut(const Parts& parts) {
    std::lock_guard guard(optOutLock_);
    if (const auto stored = parts.storage->getBool(Key::optOut)) parts.config->optOut = *stored;
}

void ZeraZovSDK::startRunning(const Parts& parts, const Environment& environment) {
    const auto& config = *parts.config;
    const bool noReachability = config.disableReachabilityForTesting;
    const bool noTimer = config.disableQueueTimerForTesting;
    parts.queue->start(noReachability, noTimer);
    parts.replayQueue->innerQueue().start(noReachability, noTimer);
    parts.logsQueue->start(noReachability, noTimer);

    const std::weak_ptr<ZeraZovSDK> weak = weak_from_this();
    sessionManager_->setup(parts.config, lifecycle());
    sessionManager_->startSession();
    sessionIdChangedToken_ = sessionManager_->onSessionIdChanged.subscribe([weak] {
        if (const auto self = weak.lock()) self->updateIntegrationsContext();
    });
    // Started once the client can capture, with its session under way, not right
    // after it is made: starting reports the flag a stored recording is linked to
    // ("$feature_flag_called") at once, on this thread, and before this point that
    // event would be refused or have no queue, or go out without a session.
    parts.remoteConfig->start();
    logger_ = std::make_shared<ZeraZovLogger>(weak);
    if (!config.optOut) {
        installIntegrations();
        updateIntegrationsContext();
    }
    if (!config.disableFlushOnBackgroundForTesting) {
        didEnterBackgroundToken_ = lifecycle().onDidEnterBackground().subscribe([weak] {
            if (const auto self = weak.lock()) self->flush();
        });
    }
    environment.mainQueue->async(
        [center = environment.notifications] { center->post(ZeraZovSDK::didStartNotification); });
}

json ZeraZovSDK::defaultPersonProperties() const {
    const auto use = guard();
    if (!use || !(*use)->context) return json::object();
    return (*use)->context->thePersonPropertiesContext();
}

void ZeraZovSDK::close() noexcept {
    runNoThrow("close", [&] {
        {
            std::lock_guard guard(setupLock_);
            if (!enabled_) {
                return ZeraZovDebugLog::write(
                    "ZeraZov method was called without `setup` being complete. Call wil be ignored.");
            }
            closeLocked();
        }
        std::lock_guard guard(lastScreenLock_);
        lastScreenName_.reset();
    });
}

void ZeraZovSDK::closeLocked() {
    enabled_ = false;
    ZeraZovProjectTokenRegistry::shared().remove(config_->projectToken());
    // Calls still under way keep these alive and may still add; the files stay for the next set-up.
    const auto retired = std::exchange(parts_, nullptr);
    retired->queue->stop();
    retired->replayQueue->innerQueue().stop();
    retired->logsQueue->stop();
    retired->remoteConfig->stop();
    retired->context->unregisterNotifications();
    if (const auto manager = config_->storageManager.get()) {
        manager->reset(config_->reuseAnonymousId, false);
        config_->storageManager.set(nullptr);
    }
    config_ = std::make_shared<ZeraZovConfig>("");
    if (retired->reachability) retired->reachability->stopNotifier();
    {
        std::lock_guard guard(flagCallReportedLock_);
        flagCallReported_.clear();
    }
    if (ZeraZovLibraryInfo::name() != "zerazov-react-native") {
        sessionManager_->setSessionIdInternal(std::nullopt, std::nullopt,
                                              ZeraZovSessionManager::SessionIDChangeReason::sessionEnd);
    }
    didEnterBackgroundToken_.reset();
    logger_.reset();
    ZeraZovDebugLog::setEnabled(false);
    uninstallIntegrations();
}

ZeraZovSDK::~ZeraZovSDK() {
    if (parts_) parts_->remoteConfig->stop();
    if (parts_ && parts_->reachability) parts_->reachability->stopNotifier();
    sessionIdChangedToken_.reset();
    for (const auto& integration : installedIntegrations_) integration->uninstall(*this);
}

}  // namespace zerazov
