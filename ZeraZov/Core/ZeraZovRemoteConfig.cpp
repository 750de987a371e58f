#include "ZeraZov/Core/ZeraZovRemoteConfig.h"

#include <utility>

#include "Platform/Foundation/BoundedJSON.h"
#include "ZeraZov/Core/ZeraZovDebugLog.h"
#include "ZeraZov/Core/ZeraZovNotificationNames.h"
#include "ZeraZov/Core/ZeraZovStorageManager.h"

namespace zerazov {
namespace {

using nlohmann::json;

constexpr const char* hasFeatureFlagsKey = "hasFeatureFlags";
constexpr const char* quotaLimitedMessage =
    "Warning: Feature flags quota limit reached - flags could not be updated. See "
    "https://zerazov.example/docs/billing/limits-alerts for more information.";

const json& emptyObject() {
    static const json empty = json::object();
    return empty;
}

bool boolMember(const json& object, const char* name) {
    const auto member = object.find(name);
    return member != object.end() && member->is_boolean() && member->get<bool>();
}

const json* stringMember(const json& object, const char* name) {
    const auto member = object.find(name);
    return member != object.end() && member->is_string() ? &*member : nullptr;
}

template <typename Test>
bool allValues(const json& object, Test test) {
    for (const auto& [key, value] : object.items()) {
        if (!test(value)) return false;
    }
    return true;
}

bool isObject(const json& value) { return value.is_object(); }
bool isString(const json& value) { return value.is_string(); }

bool isQuotaLimited(const json& response) {
    const auto limited = response.find("quotaLimited");
    if (limited == response.end() || !limited->is_array()) return false;
    bool flagsLimited = false;
    for (const auto& entry : *limited) {
        if (!entry.is_string()) return false;
        flagsLimited = flagsLimited || entry == "feature_flags";
    }
    return flagsLimited;
}

// Cached entries first, the new ones written over them.
json merged(const json& cached, const json& fresh) {
    json result = cached.is_object() ? cached : json::object();
    for (const auto& [key, value] : fresh.items()) result[key] = value;
    return result;
}

std::optional<json> parsedPayload(const json& payload) {
    if (payload.is_null()) return std::nullopt;
    if (!payload.is_string()) return payload;
    auto parsed = platform::BoundedJSON::parse(payload.get_ref<const std::string&>());
    if (parsed.value) return std::move(parsed.value);
    ZeraZovDebugLog::write("Error parsing the object Optional(" + payload.dump() + "): " + parsed.error);
    return payload;
}

}  // namespace

ZeraZovRemoteConfig::ZeraZovRemoteConfig(std::shared_ptr<ZeraZovConfig> config,
                                         std::shared_ptr<const ZeraZovStorage> storage, Requests requests,
                                         Notifier notifier, DefaultPersonProperties getDefaultPersonProperties,
                                         FeatureFlagCalled featureFlagCalledCallback)
    : config_(std::move(config)),
      storage_(std::move(storage)),
      requests_(std::move(requests)),
      notifier_(notifier),
      getDefaultPersonProperties_(std::move(getDefaultPersonProperties)),
      featureFlagCalledCallback_(std::move(featureFlagCalledCallback)) {}

void ZeraZovRemoteConfig::start() {
    loadPropertiesForFlagsFromStorage();
    loadSessionReplayFromStorage();
    loadErrorTrackingFromStorage();
    loadRemoteConfig();
}

// ---- Remote configuration ----

void ZeraZovRemoteConfig::loadRemoteConfig() {
    {
        std::lock_guard guard(remoteConfigLock_);
        if (!remoteConfig_.loaded) remoteConfig_ = {true, storedObject(Key::remoteConfig)};
        if (config_->disableRemoteConfigForTesting) return;
        if (remoteConfig_.value && remoteConfigDidFetch_) return;
    }
    dispatchQueue_.async([self = shared_from_this()] { self->requestRemoteConfig(); });
}

void ZeraZovRemoteConfig::requestRemoteConfig() {
    {
        std::lock_guard guard(loadingRemoteConfigLock_);
        loadingRemoteConfig_ = true;
    }
    const bool sent = requests_.remoteConfig(
        [self = shared_from_this()](std::optional<json> document) { self->remoteConfigArrived(std::move(document)); });
    // Without an answer the configuration stays loading for the rest of the run and
    // no flags are requested after it; say so, or nothing would show why.
    if (!sent) ZeraZovDebugLog::write("Remote config stays loading: no request could be built, so no answer will come");
}

void ZeraZovRemoteConfig::remoteConfigArrived(std::optional<json> document) {
    if (document) {
        {
            std::lock_guard guard(remoteConfigLock_);
            remoteConfig_ = {true, *document};
            storage_->setJSON(Key::remoteConfig, *document);
        }
        applyErrorTrackingConfig(document);
        onMainQueue([self = shared_from_this(), document] { self->onRemoteConfigLoaded_.invoke(document); });
    }
    {
        std::lock_guard guard(remoteConfigLock_);
        remoteConfigDidFetch_ = true;
    }
    {
        std::lock_guard guard(loadingRemoteConfigLock_);
        loadingRemoteConfig_ = false;
    }
    if (!document) {
        ZeraZovDebugLog::write("Remote config response is missing, skipping loading flags");
        return notifyFeatureFlags(std::nullopt);
    }
    const auto hasFlags = document->find(hasFeatureFlagsKey);
    if (hasFlags != document->end() && hasFlags->is_boolean() && !hasFlags->get<bool>()) {
        ZeraZovDebugLog::write("hasFeatureFlags is false, clearing flags and skipping loading flags");
        clearFeatureFlags();
        return notifyFeatureFlags(json::object());
    }
    if (config_->preloadFeatureFlags) preloadFeatureFlagsIfEnabled();
}

void ZeraZovRemoteConfig::preloadFeatureFlagsIfEnabled() {
    {
        std::lock_guard guard(featureFlagsLock_);
        cachedLocked(featureFlags_, Key::enabledFeatureFlags);
    }
    if (!config_->preloadFeatureFlags) return;
    dispatchQueue_.async([self = shared_from_this()] { self->loadFeatureFlags(); });
}

void ZeraZovRemoteConfig::applyErrorTrackingConfig(const std::optional<json>& document) {
    const json* value = nullptr;
    if (document && document->contains("errorTracking")) value = &(*document)["errorTracking"];
    bool autoCapture = false;
    if (value && value->is_boolean()) {
        autoCapture = value->get<bool>();
        // Auto-capture is installed only at set-up, from what is stored: a true that
        // is not kept in the object form the next launch reads could never turn it on.
        if (autoCapture) {
            storage_->setJSON(Key::errorTracking, {{"autocaptureExceptions", true}});
        } else {
            storage_->setData(Key::errorTracking, std::nullopt);
        }
    } else if (value && value->is_object()) {
        autoCapture = boolMember(*value, "autocaptureExceptions");
        storage_->setJSON(Key::errorTracking, *value);
    }
    std::lock_guard guard(errorTrackingLock_);
    autoCaptureExceptions_ = autoCapture;
}

void ZeraZovRemoteConfig::loadErrorTrackingFromStorage() {
    const auto stored = storedObject(Key::errorTracking);
    if (!stored) return;
    std::lock_guard guard(errorTrackingLock_);
    autoCaptureExceptions_ = boolMember(*stored, "autocaptureExceptions");
}

void ZeraZovRemoteConfig::loadSessionReplayFromStorage() {
    std::optional<json> replay;
    json flags;
    {
        std::lock_guard guard(featureFlagsLock_);
        replay = storedObject(Key::sessionReplay);
        flags = cachedLocked(featureFlags_, Key::enabledFeatureFlags);
    }
    if (!replay) return;
    if (const auto* endpoint = stringMember(*replay, "endpoint")) config_->snapshotEndpoint.set(endpoint->get<std::string>());
    const auto decision = isRecordingActive(flags, *replay);
    {
        std::lock_guard guard(sessionReplayLock_);
        sessionReplayFlagActive_ = decision.active;
    }
    // Reported only now: the callback captures an event, which reads the flags again.
    if (decision.flagRead && config_->sendFeatureFlagEvent && featureFlagCalledCallback_) {
        featureFlagCalledCallback_(decision.flagRead->first, decision.flagRead->second);
    }
}

ZeraZovRemoteConfig::RecordingDecision ZeraZovRemoteConfig::isRecordingActive(const json& featureFlags,
                                                                              const json& sessionReplay) {
    RecordingDecision decision;
    const auto linked = sessionReplay.find("linkedFlag");
    if (linked == sessionReplay.end() || !(linked->is_string() || linked->is_object())) return decision;
    const auto* flag = linked->is_string() ? &*linked : stringMember(*linked, "flag");
    const auto* variant = linked->is_object() ? stringMember(*linked, "variant") : nullptr;
    const bool usable = flag && (linked->is_string() || variant);
    const auto value = usable ? featureFlags.find(flag->get<std::string>()) : featureFlags.end();
    if (value == featureFlags.end()) {
        decision.active = false;
        return decision;
    }
    decision.flagRead = std::make_pair(flag->get<std::string>(), *value);
    if (variant) {
        decision.active = value->is_string() && *value == *variant;
    } else {
        decision.active = value->is_boolean() ? value->get<bool>() : value->is_string();
    }
    return decision;
}

void ZeraZovRemoteConfig::loadPropertiesForFlagsFromStorage() {
    if (auto person = storedObject(Key::personPropertiesForFlags)) {
        std::lock_guard guard(personPropertiesForFlagsLock_);
        personPropertiesForFlags_ = std::move(*person);
    }
    auto groups = storedObject(Key::groupPropertiesForFlags);
    if (!groups || !allValues(*groups, isObject)) return;
    std::lock_guard guard(groupPropertiesForFlagsLock_);
    groupPropertiesForFlags_ = std::move(*groups);
}

// ---- Feature flags ----

void ZeraZovRemoteConfig::loadFeatureFlags(FlagsCallback callback) {
    if (!canReloadFlagsForTesting_) return;
    if (auto request = gatherRequest(std::move(callback))) sendOrPark(std::move(*request));
}

std::optional<ZeraZovRemoteConfig::PendingFeatureFlagsRequest> ZeraZovRemoteConfig::gatherRequest(
    FlagsCallback callback) {
    const auto manager = config_->storageManager.get();
    if (!manager) {
        ZeraZovDebugLog::write("No ZeraZovStorageManager found in config, skipping loading feature flags");
        if (callback) callback(std::nullopt);
        return std::nullopt;
    }
    PendingFeatureFlagsRequest request;
    {
        std::lock_guard guard(featureFlagsLock_);
        const auto groups = storedObject(Key::groups);
        if (groups && allValues(*groups, isString)) request.groups = groups->get<Groups>();
    }
    request.distinctId = manager->getDistinctId();
    if (!config_->reuseAnonymousId) request.anonymousId = manager->getAnonymousId();
    if (auto device = manager->getDeviceId(); !device.empty()) request.deviceId = std::move(device);
    request.callback = std::move(callback);
    return request;
}

void ZeraZovRemoteConfig::sendOrPark(PendingFeatureFlagsRequest request) {
    std::unique_lock lock(loadingFeatureFlagsLock_);
    if (!loadingFeatureFlags_) {
        loadingFeatureFlags_ = true;
        lock.unlock();
        return send(std::move(request));
    }
    auto displaced = std::exchange(pendingFeatureFlagsRequest_, std::move(request));
    lock.unlock();
    if (displaced && displaced->callback) displaced->callback(cachedFeatureFlags());
}

void ZeraZovRemoteConfig::send(PendingFeatureFlagsRequest request) {
    FlagsRequest flags{std::move(request.distinctId), std::move(request.anonymousId), std::move(request.deviceId),
                       std::move(request.groups), personPropertiesForFlags(), std::nullopt};
    if (auto groups = groupPropertiesForFlags(); !groups.empty()) flags.groupProperties = std::move(groups);
    requests_.flags(std::move(flags), [self = shared_from_this(), callback = std::move(request.callback)](
                                          std::optional<json> response) {
        self->dispatchQueue_.async([self, callback, response = std::move(response)] {
            self->handleFlagsResponse(response, callback);
        });
    });
}

void ZeraZovRemoteConfig::handleFlagsResponse(std::optional<json> response, const FlagsCallback& callback) {
    if (!response) {
        ZeraZovDebugLog::write("Error: Flags response data is nil");
        return finish(std::nullopt, callback);
    }
    if (isQuotaLimited(*response)) {
        ZeraZovDebugLog::write(quotaLimitedMessage);
        return finish(cachedFeatureFlags(), callback);
    }
    finish(storeFlagsResponse(normalizedFlagsResponse(std::move(*response))), callback);
}

json ZeraZovRemoteConfig::normalizedFlagsResponse(json response) {
    const auto flags = response.find("flags");
    if (flags == response.end() || !flags->is_object()) return response;
    json featureFlags = json::object();
    json payloads = json::object();
    for (const auto& [key, entry] : flags->items()) {
        if (!entry.is_object()) continue;
        const auto variant = entry.find("variant");
        const auto enabled = entry.find("enabled");
        if (variant != entry.end() && variant->is_string()) {
            featureFlags[key] = *variant;
        } else if (enabled != entry.end() && enabled->is_boolean()) {
            featureFlags[key] = *enabled;
        } else {
            continue;
        }
        const auto metadata = entry.find("metadata");
        if (metadata == entry.end() || !metadata->is_object() || !metadata->contains("payload")) continue;
        payloads[key] = (*metadata)["payload"];
    }
    response["featureFlags"] = std::move(featureFlags);
    response["featureFlagPayloads"] = std::move(payloads);
    return response;
}

std::optional<json> ZeraZovRemoteConfig::storeFlagsResponse(const json& response) {
    const auto featureFlags = response.find("featureFlags");
    const auto payloads = response.find("featureFlagPayloads");
    if (featureFlags == response.end() || !featureFlags->is_object() || payloads == response.end() ||
        !payloads->is_object()) {
        ZeraZovDebugLog::write("Error: Flags response missing correct featureFlags format");
        return std::nullopt;
    }
    const auto detailed = response.find("flags");
    const bool hasDetailed = detailed != response.end() && detailed->is_object();
    const auto* requestId = stringMember(response, "requestId");
    const auto evaluatedAt = response.find("evaluatedAt");
    const bool hasEvaluatedAt = evaluatedAt != response.end() && evaluatedAt->is_number_integer();
    // Flags the server could not compute this time keep their cached values.
    const bool partial = boolMember(response, "errorsWhileComputingFlags");

    std::lock_guard guard(featureFlagsLock_);
    if (requestId) {
        requestId_ = requestId->get<std::string>();
        requestIdLoaded_ = true;
        storage_->setJSON(Key::requestId, *requestId);
    }
    if (hasEvaluatedAt) {
        evaluatedAt_ = evaluatedAt->get<std::int64_t>();
        evaluatedAtLoaded_ = true;
        storage_->setJSON(Key::evaluatedAt, *evaluatedAt);
    }
    auto newFlags = partial ? merged(cachedLocked(featureFlags_, Key::enabledFeatureFlags), *featureFlags) : *featureFlags;
    auto newPayloads =
        partial ? merged(cachedLocked(featureFlagPayloads_, Key::enabledFeatureFlagPayloads), *payloads) : *payloads;
    storeLocked(featureFlags_, Key::enabledFeatureFlags, newFlags);
    storeLocked(featureFlagPayloads_, Key::enabledFeatureFlagPayloads, std::move(newPayloads));
    if (hasDetailed) {
        storeLocked(flags_, Key::flags, partial ? merged(cachedLocked(flags_, Key::flags), *detailed) : *detailed);
    }
    return newFlags;
}

void ZeraZovRemoteConfig::finish(const std::optional<json>& flags, const FlagsCallback& callback) {
    finishFeatureFlagsLoad(flags);
    if (callback) callback(flags);
}

void ZeraZovRemoteConfig::finishFeatureFlagsLoad(const std::optional<json>& flags) {
    notifyFeatureFlags(flags);
    std::optional<PendingFeatureFlagsRequest> pending;
    {
        std::lock_guard guard(loadingFeatureFlagsLock_);
        loadingFeatureFlags_ = false;
        pending = std::exchange(pendingFeatureFlagsRequest_, std::nullopt);
    }
    if (pending) sendOrPark(std::move(*pending));
}

void ZeraZovRemoteConfig::notifyFeatureFlags(const std::optional<json>& flags) {
    onMainQueue([self = shared_from_this(), flags] {
        self->onFeatureFlagsLoaded_.invoke(flags);
        self->notifier_.center.post(ZeraZovNotificationNames::didReceiveFeatureFlags);
    });
}

void ZeraZovRemoteConfig::onMainQueue(std::function<void()> job) {
    std::lock_guard guard(notifierLock_);
    if (notifierStopped_) return;
    notifier_.mainQueue.async(std::move(job));
}

void ZeraZovRemoteConfig::stop() {
    std::lock_guard guard(notifierLock_);
    notifierStopped_ = true;
}

// ---- Lookups ----

std::optional<ZeraZovFeatureFlagResult> ZeraZovRemoteConfig::getFeatureFlagResult(const std::string& key) {
    json value;
    json payload;
    {
        std::lock_guard guard(featureFlagsLock_);
        const auto& flags = cachedLocked(featureFlags_, Key::enabledFeatureFlags);
        const auto found = flags.find(key);
        if (found == flags.end()) return std::nullopt;
        value = *found;
        const auto& payloads = cachedLocked(featureFlagPayloads_, Key::enabledFeatureFlagPayloads);
        payload = payloads.value(key, json());
    }
    std::optional<std::string> variant;
    if (value.is_string()) variant = value.get<std::string>();
    const bool enabled = variant.has_value() || (value.is_boolean() && value.get<bool>());
    return ZeraZovFeatureFlagResult(key, enabled, std::move(variant), parsedPayload(payload));
}

json ZeraZovRemoteConfig::cachedFeatureFlags() {
    std::lock_guard guard(featureFlagsLock_);
    return cachedLocked(featureFlags_, Key::enabledFeatureFlags);
}

json ZeraZovRemoteConfig::cachedFeatureFlagPayloads() {
    std::lock_guard guard(featureFlagsLock_);
    return cachedLocked(featureFlagPayloads_, Key::enabledFeatureFlagPayloads);
}

json ZeraZovRemoteConfig::cachedFlags() {
    std::lock_guard guard(featureFlagsLock_);
    return cachedLocked(flags_, Key::flags);
}

std::optional<json> ZeraZovRemoteConfig::cachedRemoteConfig() {
    std::lock_guard guard(remoteConfigLock_);
    if (!remoteConfig_.loaded) remoteConfig_ = {true, storedObject(Key::remoteConfig)};
    return remoteConfig_.value;
}

std::optional<std::string> ZeraZovRemoteConfig::requestId() {
    std::lock_guard guard(featureFlagsLock_);
    return requestIdLocked();
}

std::optional<std::int64_t> ZeraZovRemoteConfig::evaluatedAt() {
    std::lock_guard guard(featureFlagsLock_);
    return evaluatedAtLocked();
}

std::optional<std::string> ZeraZovRemoteConfig::requestIdLocked() {
    if (!requestIdLoaded_) requestId_ = storage_->getString(Key::requestId);
    requestIdLoaded_ = true;
    return requestId_;
}

std::optional<std::int64_t> ZeraZovRemoteConfig::evaluatedAtLocked() {
    if (!evaluatedAtLoaded_) evaluatedAt_ = storage_->getNumber(Key::evaluatedAt);
    evaluatedAtLoaded_ = true;
    return evaluatedAt_;
}

const json& ZeraZovRemoteConfig::cachedLocked(Cached& cache, Key key) {
    if (!cache.loaded) cache = {true, storedObject(key)};
    return cache.value ? *cache.value : emptyObject();
}

void ZeraZovRemoteConfig::storeLocked(Cached& cache, Key key, json value) {
    storage_->setJSON(key, value);
    cache = {true, std::move(value)};
}

std::optional<json> ZeraZovRemoteConfig::storedObject(Key key) const {
    auto value = storage_->getJSON(key);
    if (!value || !value->is_object()) return std::nullopt;
    return value;
}

// ---- Properties for flags ----

json ZeraZovRemoteConfig::personPropertiesForFlags() {
    // Asked before the lock: the client's closure takes locks of its own.
    json result = config_->setDefaultPersonProperties && getDefaultPersonProperties_ ? getDefaultPersonProperties_()
                                                                                      : json::object();
    if (!result.is_object()) result = json::object();
    std::lock_guard guard(personPropertiesForFlagsLock_);
    for (const auto& [key, value] : personPropertiesForFlags_.items()) result[key] = value;
    return result;
}

void ZeraZovRemoteConfig::setPersonPropertiesForFlags(const json& properties) {
    std::lock_guard guard(personPropertiesForFlagsLock_);
    for (const auto& [key, value] : properties.items()) personPropertiesForFlags_[key] = value;
    storage_->setJSON(Key::personPropertiesForFlags, personPropertiesForFlags_);
}

void ZeraZovRemoteConfig::resetPersonPropertiesForFlags() {
    std::lock_guard guard(personPropertiesForFlagsLock_);
    personPropertiesForFlags_ = json::object();
    storage_->setJSON(Key::personPropertiesForFlags, personPropertiesForFlags_);
}

json ZeraZovRemoteConfig::groupPropertiesForFlags() {
    std::lock_guard guard(groupPropertiesForFlagsLock_);
    return groupPropertiesForFlags_;
}

void ZeraZovRemoteConfig::setGroupPropertiesForFlags(const std::string& groupType, const json& properties) {
    std::lock_guard guard(groupPropertiesForFlagsLock_);
    auto& group = groupPropertiesForFlags_[groupType];
    group = merged(group, properties);
    storage_->setJSON(Key::groupPropertiesForFlags, groupPropertiesForFlags_);
}

void ZeraZovRemoteConfig::resetGroupPropertiesForFlags() {
    std::lock_guard guard(groupPropertiesForFlagsLock_);
    groupPropertiesForFlags_ = json::object();
    storage_->setJSON(Key::groupPropertiesForFlags, groupPropertiesForFlags_);
}

void ZeraZovRemoteConfig::resetGroupPropertiesForFlags(const std::string& groupType) {
    std::lock_guard guard(groupPropertiesForFlagsLock_);
    groupPropertiesForFlags_.erase(groupType);
    storage_->setJSON(Key::groupPropertiesForFlags, groupPropertiesForFlags_);
}

// ---- Resets and state ----

void ZeraZovRemoteConfig::clearFeatureFlags() {
    std::lock_guard guard(featureFlagsLock_);
    storeLocked(flags_, Key::flags, json::object());
    storeLocked(featureFlags_, Key::enabledFeatureFlags, json::object());
    storeLocked(featureFlagPayloads_, Key::enabledFeatureFlagPayloads, json::object());
    requestId_.reset();
    requestIdLoaded_ = true;
    evaluatedAt_.reset();
    evaluatedAtLoaded_ = true;
    storage_->setData(Key::requestId, std::nullopt);
    storage_->setData(Key::evaluatedAt, std::nullopt);
}

void ZeraZovRemoteConfig::reset() {
    clearFeatureFlags();
    {
        std::lock_guard guard(sessionReplayLock_);
        sessionReplayFlagActive_ = false;
    }
    {
        std::lock_guard guard(errorTrackingLock_);
        autoCaptureExceptions_ = false;
    }
    resetPersonPropertiesForFlags();
    resetGroupPropertiesForFlags();
    {
        std::lock_guard guard(remoteConfigLock_);
        remoteConfig_ = {};
        remoteConfigDidFetch_ = false;
    }
    storage_->setData(Key::sessionReplay, std::nullopt);
}

bool ZeraZovRemoteConfig::isSessionReplayFlagActive() const {
    std::lock_guard guard(sessionReplayLock_);
    return sessionReplayFlagActive_;
}

bool ZeraZovRemoteConfig::autoCaptureExceptions() const {
    std::lock_guard guard(errorTrackingLock_);
    return autoCaptureExceptions_;
}

bool ZeraZovRemoteConfig::isLoadingRemoteConfig() const {
    std::lock_guard guard(loadingRemoteConfigLock_);
    return loadingRemoteConfig_;
}

bool ZeraZovRemoteConfig::remoteConfigDidFetch() const {
    std::lock_guard guard(remoteConfigLock_);
    return remoteConfigDidFetch_;
}

}  // namespace zerazov
