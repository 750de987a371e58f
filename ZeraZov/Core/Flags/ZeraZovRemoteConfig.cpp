#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"

#include <utility>

#include "Platform/Foundation/BoundedJSON.h"
#include "ZeraZov/Core/Publishing/Private/ZeraZovNotificationNames.h"
#include "ZeraZov/Core/Storage/ZeraZovStorageManager.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

using nlohmann::json;

constexpr const char* hasFeatureFlagsKey = "hasFeatureFlags";
constexpr const char* quotaLimitedMessage =
    "Warning: Feature flags quota limit reached - flags could not be updated. See "
    "https://zerazov.example/docs/billing/limits-alerts for more information.";

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

std::optional<json> parsedPayload(const json& payload) {
    if (payload.is_null()) return std::nullopt;
    if (!payload.is_string()) return payload;
    auto parsed = platform::BoundedJSON::parse(payload.get_ref<const std::string&>());
    if (parsed) return std::move(*parsed);
    ZeraZovDebugLog::write("Error parsing the object Optional(" + payload.dump() + "): " + *parsed.failure());
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
      featureFlagCalledCallback_(std::move(featureFlagCalledCallback)),
      mainQueue_(notifier_.mainQueue),
      featureFlags_(storage_),
      remoteConfig_(storage_),
      personPropertiesForFlags_(storage_, Key::personPropertiesForFlags),
      groupPropertiesForFlags_(storage_, Key::groupPropertiesForFlags) {}

void ZeraZovRemoteConfig::start() {
    loadPropertiesForFlagsFromStorage();
    loadSessionReplayFromStorage();
    loadErrorTrackingFromStorage();
    loadRemoteConfig();
}

// ---- Remote configuration ----

void ZeraZovRemoteConfig::loadRemoteConfig() {
    const bool fetched = remoteConfig_.hasFetchedDocument();
    if (config_->disableRemoteConfigForTesting || fetched) return;
    dispatchQueue_.async([self = shared_from_this()] { self->requestRemoteConfig(); });
}

void ZeraZovRemoteConfig::requestRemoteConfig() {
    loadingRemoteConfig_ = true;
    const bool sent = requests_.remoteConfig(
        [self = shared_from_this()](std::optional<json> document) { self->remoteConfigArrived(std::move(document)); });
    // Without an answer the configuration stays loading for the rest of the run and
    // no flags are requested after it; say so, or nothing would show why.
    if (!sent) ZeraZovDebugLog::write("Remote config stays loading: no request could be built, so no answer will come");
}

void ZeraZovRemoteConfig::remoteConfigArrived(std::optional<json> document) {
    if (document) {
        remoteConfig_.store(*document);
        applyErrorTrackingConfig(document);
        mainQueue_.async([self = shared_from_this(), document] { self->onRemoteConfigLoaded_.invoke(document); });
    }
    remoteConfig_.markFetched();
    loadingRemoteConfig_ = false;
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
    featureFlags_.featureFlags();  // read from storage now, off the caller's thread
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
    autoCaptureExceptions_ = autoCapture;
}

void ZeraZovRemoteConfig::loadErrorTrackingFromStorage() {
    const auto stored = CachedStoredObject::read(*storage_, Key::errorTracking);
    if (!stored) return;
    autoCaptureExceptions_ = boolMember(*stored, "autocaptureExceptions");
}

void ZeraZovRemoteConfig::loadSessionReplayFromStorage() {
    const auto replay = CachedStoredObject::read(*storage_, Key::sessionReplay);
    const json flags = featureFlags_.featureFlags();
    if (!replay) return;
    if (const auto* endpoint = stringMember(*replay, "endpoint"))
        config_->snapshotEndpoint.set(endpoint->get<std::string>());
    const auto decision = isRecordingActive(flags, *replay);
    sessionReplayFlagActive_ = decision.active;
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
    if (auto person = CachedStoredObject::read(*storage_, Key::personPropertiesForFlags)) {
        personPropertiesForFlags_.load(std::move(*person));
    }
    auto groups = CachedStoredObject::read(*storage_, Key::groupPropertiesForFlags);
    if (!groups || !allValues(*groups, isObject)) return;
    groupPropertiesForFlags_.load(std::move(*groups));
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
    const auto groups = CachedStoredObject::read(*storage_, Key::groups);
    if (groups && allValues(*groups, isString)) request.groups = groups->get<Groups>();
    request.distinctId = manager->getDistinctId();
    if (!config_->reuseAnonymousId) request.anonymousId = manager->getAnonymousId();
    if (auto device = manager->getDeviceId(); !device.empty()) request.deviceId = std::move(device);
    request.callback = std::move(callback);
    return request;
}

void ZeraZovRemoteConfig::sendOrPark(PendingFeatureFlagsRequest request) {
    auto admission = flagsRequests_.admit(std::move(request));
    if (admission.send) return send(std::move(*admission.send));
    if (admission.displaced && admission.displaced->callback) admission.displaced->callback(cachedFeatureFlags());
}

void ZeraZovRemoteConfig::send(PendingFeatureFlagsRequest request) {
    FlagsRequest flags{std::move(request.distinctId), std::move(request.anonymousId), std::move(request.deviceId),
                       std::move(request.groups),     personPropertiesForFlags(),     std::nullopt};
    if (auto groups = groupPropertiesForFlags(); !groups.empty()) flags.groupProperties = std::move(groups);
    requests_.flags(std::move(flags),
                    [self = shared_from_this(), callback = std::move(request.callback)](std::optional<json> response) {
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
    FeatureFlagCache::Answer answer{*featureFlags, *payloads,    std::nullopt,
                                    std::nullopt,  std::nullopt, boolMember(response, "errorsWhileComputingFlags")};
    const auto detailed = response.find("flags");
    if (detailed != response.end() && detailed->is_object()) answer.detailed = *detailed;
    if (const auto* requestId = stringMember(response, "requestId")) answer.requestId = requestId->get<std::string>();
    const auto evaluatedAt = response.find("evaluatedAt");
    if (evaluatedAt != response.end() && evaluatedAt->is_number_integer()) {
        answer.evaluatedAt = evaluatedAt->get<std::int64_t>();
    }
    return featureFlags_.store(answer);
}

void ZeraZovRemoteConfig::finish(const std::optional<json>& flags, const FlagsCallback& callback) {
    finishFeatureFlagsLoad(flags);
    if (callback) callback(flags);
}

void ZeraZovRemoteConfig::finishFeatureFlagsLoad(const std::optional<json>& flags) {
    notifyFeatureFlags(flags);
    auto pending = flagsRequests_.finish();
    if (pending) sendOrPark(std::move(*pending));
}

void ZeraZovRemoteConfig::notifyFeatureFlags(const std::optional<json>& flags) {
    mainQueue_.async([self = shared_from_this(), flags] {
        self->onFeatureFlagsLoaded_.invoke(flags);
        self->notifier_.center.post(ZeraZovNotificationNames::didReceiveFeatureFlags);
    });
}

void ZeraZovRemoteConfig::stop() { mainQueue_.stop(); }

// ---- Lookups ----

std::optional<ZeraZovFeatureFlagResult> ZeraZovRemoteConfig::getFeatureFlagResult(const std::string& key) {
    auto found = featureFlags_.lookup(key);
    if (!found) return std::nullopt;
    const auto& [value, payload] = *found;
    std::optional<std::string> variant;
    if (value.is_string()) variant = value.get<std::string>();
    const bool enabled = variant.has_value() || (value.is_boolean() && value.get<bool>());
    return ZeraZovFeatureFlagResult(key, enabled, std::move(variant), parsedPayload(payload));
}

json ZeraZovRemoteConfig::cachedFeatureFlags() { return featureFlags_.featureFlags(); }

json ZeraZovRemoteConfig::cachedFlags() { return featureFlags_.detailedFlags(); }

std::optional<json> ZeraZovRemoteConfig::cachedRemoteConfig() { return remoteConfig_.cached(); }

std::optional<std::string> ZeraZovRemoteConfig::requestId() { return featureFlags_.requestId(); }

std::optional<std::int64_t> ZeraZovRemoteConfig::evaluatedAt() { return featureFlags_.evaluatedAt(); }

// ---- Properties for flags ----

json ZeraZovRemoteConfig::personPropertiesForFlags() {
    // Asked before the lock: the client's closure takes locks of its own.
    json result = config_->setDefaultPersonProperties && getDefaultPersonProperties_ ? getDefaultPersonProperties_()
                                                                                     : json::object();
    if (!result.is_object()) result = json::object();
    const json stored = personPropertiesForFlags_.get();
    for (const auto& [key, value] : stored.items()) result[key] = value;
    return result;
}

void ZeraZovRemoteConfig::setPersonPropertiesForFlags(const json& properties) {
    personPropertiesForFlags_.update([&](json& stored) {
        for (const auto& [key, value] : properties.items()) stored[key] = value;
    });
}

void ZeraZovRemoteConfig::resetPersonPropertiesForFlags() {
    personPropertiesForFlags_.update([](json& stored) { stored = json::object(); });
}

json ZeraZovRemoteConfig::groupPropertiesForFlags() { return groupPropertiesForFlags_.get(); }

void ZeraZovRemoteConfig::setGroupPropertiesForFlags(const std::string& groupType, const json& properties) {
    groupPropertiesForFlags_.update([&](json& stored) {
        auto& group = stored[groupType];
        group = merged(group, properties);
    });
}

void ZeraZovRemoteConfig::resetGroupPropertiesForFlags() {
    groupPropertiesForFlags_.update([](json& stored) { stored = json::object(); });
}

void ZeraZovRemoteConfig::resetGroupPropertiesForFlags(const std::string& groupType) {
    groupPropertiesForFlags_.update([&](json& stored) { stored.erase(groupType); });
}

// ---- Resets and state ----

void ZeraZovRemoteConfig::clearFeatureFlags() { featureFlags_.clear(); }

void ZeraZovRemoteConfig::reset() {
    clearFeatureFlags();
    sessionReplayFlagActive_ = false;
    recordingSampleRate_.set(std::nullopt);
    autoCaptureExceptions_ = false;
    resetPersonPropertiesForFlags();
    resetGroupPropertiesForFlags();
    remoteConfig_.reset();
    storage_->setData(Key::sessionReplay, std::nullopt);
}

bool ZeraZovRemoteConfig::isSessionReplayFlagActive() const { return sessionReplayFlagActive_; }

bool ZeraZovRemoteConfig::autoCaptureExceptions() const { return autoCaptureExceptions_; }

bool ZeraZovRemoteConfig::isLoadingRemoteConfig() const { return loadingRemoteConfig_; }

bool ZeraZovRemoteConfig::remoteConfigDidFetch() const { return remoteConfig_.didFetch(); }

}  // namespace zerazov
