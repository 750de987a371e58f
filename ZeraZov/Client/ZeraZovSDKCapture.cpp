// The capture pipeline: property building, person processing, events, screens and logs.
#include <utility>

#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Storage/ZeraZovSessionManager.h"
#include "ZeraZov/Core/Utilities/DIContainer.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/UnicodeText.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Integrations/ScreenViews/ScreenName.h"

namespace zerazov {
namespace {

using nlohmann::json;

constexpr std::string_view captureOperation =
    "captureInternal(_:distinctId:properties:userProperties:userPropertiesSetOnce:groups:timestamp:skipBuildProperties:"
    ")";

bool isNonEmptyObject(const std::optional<json>& dictionary) {
    return dictionary && dictionary->is_object() && !dictionary->empty();
}

// Adds the entries whose keys are not there yet: a value already present wins.
// `into` is an object. An object built for this one event is moved in; one
// kept elsewhere (the SDK's own few keys) is copied on the way.
void merge(json& into, json from) {
    if (!from.is_object()) return;
    auto& members = into.get_ref<json::object_t&>();
    for (auto& [key, value] : from.get_ref<json::object_t&>()) members.try_emplace(key, std::move(value));
}

// The caller's text under the key, when it holds one that is not empty.
bool holdsText(const std::optional<json>& properties, const char* key) {
    if (!properties || !properties->is_object()) return false;
    const auto found = properties->find(key);
    return found != properties->end() && found->is_string() && !found->get_ref<const std::string&>().empty();
}

// A snapshot belongs to a recording session; without one it goes nowhere.
bool isSnapshotWithoutSession(const ZeraZovEvent& event) {
    if (event.event != "$snapshot") return false;
    const auto session = event.properties.find("$session_id");
    return session == event.properties.end() || session->is_null();
}

std::string trimmedScreenName(const std::optional<json>& properties) {
    if (!properties || !properties->is_object()) return {};
    const auto found = properties->find("$screen_name");
    if (found == properties->end() || !found->is_string()) return {};
    return std::string(trimmedWhitespaceAndNewlines(found->get_ref<const std::string&>()));
}

json groupsProperty(const json& current, const ZeraZovSDK::Groups& groups) {
    json result = json::object();
    if (current.is_object()) {
        bool allText = true;
        for (const auto& [type, key] : current.items()) allText = allText && key.is_string();
        if (allText) result = current;
    }
    for (const auto& [type, key] : groups) {
        if (!result.contains(type)) result[type] = key;
    }
    return result;
}

}  // namespace

bool ZeraZovSDK::refusesOptedOut(const Parts& parts) const {
    if (!parts.config->optOut) return false;
    ZeraZovDebugLog::write("ZeraZov is in OptOut state.");
    return true;
}

// ---- Events ----

void ZeraZovSDK::capture(const std::string& event, const std::optional<json>& properties,
                         const std::optional<json>& userProperties, const std::optional<json>& userPropertiesSetOnce,
                         const std::optional<Groups>& groups, const std::optional<std::string>& distinctId,
                         std::optional<Date> timestamp) noexcept {
    runNoThrow("capture", [&] {
        const auto use = guard();
        if (!use) return;
        captureWith(**use, event, properties, userProperties, userPropertiesSetOnce, groups, distinctId, timestamp);
    });
}

void ZeraZovSDK::captureWith(const Parts& parts, const std::string& event, const std::optional<json>& properties,
                             const std::optional<json>& userProperties,
                             const std::optional<json>& userPropertiesSetOnce, const std::optional<Groups>& groups,
                             const std::optional<std::string>& distinctId, std::optional<Date> timestamp) {
    if (refusesOptedOut(parts)) return;
    const bool appendSharedProps = event != "$snapshot";
    const auto time = timestamp.value_or(parts.clock->now());
    const auto id = distinctId ? *distinctId : parts.storageManager->getDistinctId();
    if (isNonEmptyObject(userProperties) || isNonEmptyObject(userPropertiesSetOnce) || (groups && !groups->empty())) {
        // The event goes out either way; only the person profile is refused.
        requirePersonProcessingWith(parts, captureOperation);
    }
    auto built = parts.eventBuilder->buildEvent(
        event, id,
        buildPropertiesWith(parts, id, sanitizeOptionalDictionary(properties),
                            sanitizeOptionalDictionary(userProperties),
                            sanitizeOptionalDictionary(userPropertiesSetOnce), groups, appendSharedProps, timestamp),
        time);
    if (!built || isSnapshotWithoutSession(*built)) return;
    updatePersonPropertiesForFlags(parts, userProperties, userPropertiesSetOnce);
    route(parts, *built);
}

void ZeraZovSDK::captureAssembled(const std::string& event, json properties,
                                  const std::optional<std::string>& distinctId,
                                  std::optional<Date> timestamp) noexcept {
    runNoThrow("captureAssembled", [&] {
        const auto use = guard();
        if (!use || refusesOptedOut(**use)) return;
        const auto& parts = **use;
        const auto id = distinctId ? *distinctId : parts.storageManager->getDistinctId();
        const auto built =
            parts.eventBuilder->buildEvent(event, id, std::move(properties), timestamp.value_or(parts.clock->now()));
        if (built && !isSnapshotWithoutSession(*built)) route(parts, *built);
    });
}

// A hook may have renamed the event; its new name decides where it goes.
void ZeraZovSDK::route(const Parts& parts, const ZeraZovEvent& event) {
    if (event.event == "$snapshot") {
        parts.replayQueue->add(event);
    } else {
        parts.queue->add(event);
    }
    onEventCaptured_.invoke(event);
}

bool ZeraZovSDK::enqueue(const Parts& parts, const std::string& name, const std::string& distinctId, json properties,
                         Date timestamp) {
    const auto built = parts.eventBuilder->buildEvent(name, distinctId, std::move(properties), timestamp);
    if (!built) return false;
    parts.queue->add(*built);
    onEventCaptured_.invoke(*built);
    return true;
}

// ---- Properties ----

json ZeraZovSDK::buildProperties(const std::string& distinctId, const std::optional<json>& properties,
                                 const std::optional<json>& userProperties,
                                 const std::optional<json>& userPropertiesSetOnce, const std::optional<Groups>& groups,
                                 bool appendSharedProps, std::optional<Date> timestamp) const noexcept {
    return valueNoThrow("buildProperties", json::object(), [&] {
        const auto use = guard();
        if (!use) return json::object();
        return buildPropertiesWith(**use, distinctId, properties, userProperties, userPropertiesSetOnce, groups,
                                   appendSharedProps, timestamp);
    });
}

// Context, super-property and library keys win over the caller's; "$set", "$set_once",
// "$groups", "$is_identified" and "$process_person_profile" are always the client's;
// the caller may supply "$screen_name", "$session_id" and (for snapshots) "distinct_id".
json ZeraZovSDK::buildPropertiesWith(const Parts& parts, const std::string& distinctId, std::optional<json> properties,
                                     const std::optional<json>& userProperties,
                                     const std::optional<json>& userPropertiesSetOnce,
                                     const std::optional<Groups>& groups, bool appendSharedProps,
                                     std::optional<Date> timestamp) const {
    json result = json::object();
    if (appendSharedProps) {
        appendSharedProperties(parts, result, properties, userProperties, userPropertiesSetOnce, groups);
    }
    if (parts.context) merge(result, parts.context->theSdkInfo());
    addSessionId(parts, result, properties, timestamp);
    if (!appendSharedProps && !holdsText(properties, "distinct_id")) result["distinct_id"] = distinctId;
    if (properties) merge(result, std::move(*properties));
    return result;
}

void ZeraZovSDK::appendSharedProperties(const Parts& parts, json& result, const std::optional<json>& properties,
                                        const std::optional<json>& userProperties,
                                        const std::optional<json>& userPropertiesSetOnce,
                                        const std::optional<Groups>& groups) const {
    if (parts.context) {
        // The first keys of an empty object: a copy of the whole tree, not one
        // search and insertion per key.
        result = parts.context->theStaticContext();
        merge(result, parts.context->dynamicContext());
    }
    merge(result, registeredPropertiesWith(parts));
    if (userProperties) result["$set"] = *userProperties;
    if (userPropertiesSetOnce) result["$set_once"] = *userPropertiesSetOnce;
    if (groups) result["$groups"] = groupsProperty(result.value("$groups", json()), *groups);
    if (parts.storageManager) result["$is_identified"] = parts.storageManager->isIdentified();
    result["$process_person_profile"] = hasPersonProcessingWith(parts);
    if (!trimmedScreenName(properties).empty()) return;
    std::lock_guard guard(lastScreenLock_);
    if (lastScreenName_ && !lastScreenName_->empty()) result["$screen_name"] = *lastScreenName_;
}

void ZeraZovSDK::addSessionId(const Parts& parts, json& result, const std::optional<json>& properties,
                              std::optional<Date> timestamp) const {
    if (holdsText(properties, "$session_id")) return;
    // Not read-only: an event may start a session or rotate an expired one.
    if (auto id = sessionManager_->getSessionId(timestamp.value_or(parts.clock->now()), false)) {
        result["$session_id"] = std::move(*id);
    }
}

json ZeraZovSDK::getRegisteredProperties() const noexcept {
    return valueNoThrow("getRegisteredProperties", json::object(), [&] {
        const auto use = guard();
        return use ? registeredPropertiesWith(**use) : json::object();
    });
}

json ZeraZovSDK::registeredPropertiesWith(const Parts& parts) const {
    json result = parts.superProperties->get();
    if (auto groups = parts.groups->get(); !groups.empty()) result["$groups"] = std::move(groups);
    if (!parts.remoteConfig) return result;
    const auto flags = parts.remoteConfig->cachedFeatureFlags();
    auto active = json::array();
    for (const auto& [key, value] : flags.items()) {
        result["$feature/" + key] = value;
        if (!(value.is_boolean() && !value.get<bool>())) active.push_back(key);
    }
    if (!active.empty()) result["$active_feature_flags"] = std::move(active);
    return result;
}

// ---- Person processing ----

bool ZeraZovSDK::hasPersonProcessing() const noexcept {
    const auto use = guard();
    return use && hasPersonProcessingWith(**use);
}

bool ZeraZovSDK::hasPersonProcessingWith(const Parts& parts) const {
    switch (parts.config->personProfiles.load()) {
    case ZeraZovPersonProfiles::never: return false;
    case ZeraZovPersonProfiles::always: return true;
    case ZeraZovPersonProfiles::identifiedOnly: break;
    }
    const auto& manager = parts.storageManager;
    return !manager || manager->isIdentified() || manager->isPersonProcessing();
}

bool ZeraZovSDK::requirePersonProcessing(std::string_view operation) noexcept {
    const auto use = guard();
    return use && requirePersonProcessingWith(**use, operation);
}

bool ZeraZovSDK::requirePersonProcessingWith(const Parts& parts, std::string_view operation) {
    if (parts.config->personProfiles == ZeraZovPersonProfiles::never) {
        ZeraZovDebugLog::write(std::string(operation) +
                               " was called, but `personProfiles` is set to `never`. This call will be ignored.");
        return false;
    }
    if (parts.storageManager) parts.storageManager->setPersonProcessing(true);
    return true;
}

void ZeraZovSDK::updatePersonPropertiesForFlags(const Parts& parts, const std::optional<json>& userProperties,
                                                const std::optional<json>& userPropertiesSetOnce) {
    // What is set beats what is only set once.
    auto merged = sanitizeOptionalDictionary(userProperties).value_or(json::object());
    if (const auto once = sanitizeOptionalDictionary(userPropertiesSetOnce)) merge(merged, *once);
    if (merged.empty() || !parts.remoteConfig) return;
    parts.remoteConfig->setPersonPropertiesForFlags(merged);
}

// ---- Screens ----

void ZeraZovSDK::screen(const std::string& title, const std::optional<json>& properties) noexcept {
    runNoThrow("screen", [&] {
        const auto use = guard();
        if (!use || refusesOptedOut(**use)) return;
        const auto name = screenName(title);
        if (!name) return;
        const auto& parts = **use;
        bool changed = false;
        {
            std::lock_guard guard(lastScreenLock_);
            changed = lastScreenName_ != name;
            lastScreenName_ = name;
        }
        json screenProperties{{"$screen_name", *name}};
        if (const auto clean = sanitizeOptionalDictionary(properties)) screenProperties.update(*clean);
        const auto id = parts.storageManager->getDistinctId();
        auto built = buildPropertiesWith(parts, id, std::move(screenProperties), std::nullopt, std::nullopt,
                                         std::nullopt, true, std::nullopt);
        if (!enqueue(parts, "$screen", id, std::move(built), parts.clock->now())) return;
        DI::main().screenViewPublisher().onScreenView().invoke(*name);
        if (changed) updateIntegrationsContext();
    });
}

// ---- Logs ----

void ZeraZovSDK::captureLog(std::string body, ZeraZovLogSeverity level, std::optional<json> attributes,
                            std::optional<std::string> traceId, std::optional<std::string> spanId,
                            std::optional<std::int64_t> traceFlags) noexcept {
    captureLogInternal(std::move(body), level, std::move(attributes), std::move(traceId), std::move(spanId),
                       traceFlags);
}

void ZeraZovSDK::captureLogInternal(std::string body, ZeraZovLogSeverity level, std::optional<json> attributes,
                                    std::optional<std::string> traceId, std::optional<std::string> spanId,
                                    std::optional<std::int64_t> traceFlags) noexcept {
    const auto use = guard();
    if (!use || refusesOptedOut(**use)) return;
    (*use)->logCapture->capture(std::move(body), level, std::move(attributes), std::move(traceId), std::move(spanId),
                                traceFlags);
}

}  // namespace zerazov
