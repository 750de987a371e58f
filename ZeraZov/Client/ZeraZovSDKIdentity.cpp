// Identity, super properties, groups and reset.
#include <utility>

#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Storage/ZeraZovSessionManager.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

using nlohmann::json;

bool isEmptyDictionary(const std::optional<json>& dictionary) {
    return !dictionary || !dictionary->is_object() || dictionary->empty();
}

void alreadyIdentified(const std::string& currentId) {
    ZeraZovDebugLog::write("already identified with id: " + currentId);
}

}  // namespace

std::string ZeraZovSDK::personPropertiesFingerprint(const std::string& distinctId,
                                                    const std::optional<json>& userPropertiesToSet,
                                                    const std::optional<json>& userPropertiesToSetOnce) {
    json fingerprint{{"distinct_id", distinctId}};
    if (userPropertiesToSet) fingerprint["userPropertiesToSet"] = *userPropertiesToSet;
    if (userPropertiesToSetOnce) fingerprint["userPropertiesToSetOnce"] = *userPropertiesToSetOnce;
    // Object keys come out sorted; text that is not UTF-8 still gives a stable fingerprint.
    return fingerprint.dump(-1, ' ', false, json::error_handler_t::replace);
}

bool ZeraZovSDK::isNewPersonProperties(const std::string& distinctId, const std::optional<json>& toSet,
                                       const std::optional<json>& toSetOnce, std::string_view duplicateMessage) {
    auto fingerprint = personPropertiesFingerprint(distinctId, toSet, toSetOnce);
    {
        std::lock_guard guard(cachedPersonPropertiesLock_);
        if (cachedPersonPropertiesHash_ != fingerprint) {
            cachedPersonPropertiesHash_ = std::move(fingerprint);
            return true;
        }
    }
    ZeraZovDebugLog::write(duplicateMessage);
    return false;
}

// ---- Identify and person properties ----

void ZeraZovSDK::identify(const std::string& distinctId, const std::optional<json>& userProperties,
                          const std::optional<json>& userPropertiesSetOnce) noexcept {
    runNoThrow("identify", [&] {
        const auto use = guard();
        if (!use) return;
        const auto& parts = **use;
        if (distinctId.empty()) {
            return ZeraZovDebugLog::write("identify call not allowed, distinctId is invalid: " + distinctId);
        }
        if (refusesOptedOut(parts) ||
            !requirePersonProcessingWith(parts, "identify(_:userProperties:userPropertiesSetOnce:)")) {
            return;
        }
        const auto currentId = parts.storageManager->getDistinctId();
        if (distinctId != currentId) {
            // Another id needs a reset first.
            if (parts.storageManager->isIdentified()) return alreadyIdentified(currentId);
            return identifyNewId(parts, distinctId, currentId, userProperties, userPropertiesSetOnce);
        }
        if (isEmptyDictionary(userProperties) && isEmptyDictionary(userPropertiesSetOnce)) {
            return alreadyIdentified(currentId);
        }
        if (!isNewPersonProperties(distinctId, userProperties, userPropertiesSetOnce,
                                   "A duplicate identify call was made with the same properties. The $set event "
                                   "has been ignored.")) {
            return;
        }
        captureWith(parts, "$set", std::nullopt, userProperties, userPropertiesSetOnce, std::nullopt, distinctId,
                    std::nullopt);
        updatePersonPropertiesForFlags(parts, userProperties, userPropertiesSetOnce);
    });
}

void ZeraZovSDK::identifyNewId(const Parts& parts, const std::string& newId, const std::string& currentId,
                               const std::optional<json>& userProperties,
                               const std::optional<json>& userPropertiesSetOnce) {
    json properties{{"distinct_id", newId}};
    if (!parts.config->reuseAnonymousId) {
        parts.storageManager->setAnonymousId(currentId);
        properties["$anon_distinct_id"] = currentId;
    }
    parts.storageManager->setDistinctId(newId);
    parts.storageManager->setIdentified(true);
    auto built =
        buildPropertiesWith(parts, newId, std::move(properties), sanitizeOptionalDictionary(userProperties),
                            sanitizeOptionalDictionary(userPropertiesSetOnce), std::nullopt, true, std::nullopt);
    if (!enqueue(parts, "$identify", newId, std::move(built), parts.clock->now())) return;
    updatePersonPropertiesForFlags(parts, userProperties, userPropertiesSetOnce);
    parts.remoteConfig->loadFeatureFlags();
    updateIntegrationsContext();
}

void ZeraZovSDK::setPersonProperties(const std::optional<json>& userPropertiesToSet,
                                     const std::optional<json>& userPropertiesToSetOnce) noexcept {
    runNoThrow("setPersonProperties", [&] {
        const auto use = guard();
        if (!use || (isEmptyDictionary(userPropertiesToSet) && isEmptyDictionary(userPropertiesToSetOnce))) return;
        const auto& parts = **use;
        if (!requirePersonProcessingWith(parts, "setPersonProperties(userPropertiesToSet:userPropertiesToSetOnce:)")) {
            return;
        }
        const auto distinctId = parts.storageManager->getDistinctId();
        if (!isNewPersonProperties(distinctId, userPropertiesToSet, userPropertiesToSetOnce,
                                   "A duplicate setPersonProperties call was made with the same properties. It has "
                                   "been ignored.")) {
            return;
        }
        updatePersonPropertiesForFlags(parts, userPropertiesToSet, userPropertiesToSetOnce);
        captureWith(parts, "$set", std::nullopt, userPropertiesToSet, userPropertiesToSetOnce, std::nullopt, distinctId,
                    std::nullopt);
    });
}

// ---- Super properties ----

void ZeraZovSDK::registerProperties(const json& properties) noexcept {
    runNoThrow("register", [&] {
        const auto use = guard();
        if (!use) return;
        const auto clean = sanitizeDictionary(properties);
        if (!clean) return;
        (*use)->superProperties->update([&](json& stored) { stored.update(*clean); });
        updateIntegrationsContext();
    });
}

void ZeraZovSDK::unregisterProperties(const std::string& key) noexcept {
    runNoThrow("unregister", [&] {
        const auto use = guard();
        if (!use) return;
        (*use)->superProperties->update([&](json& stored) { stored.erase(key); });
        updateIntegrationsContext();
    });
}

// ---- Reset ----

void ZeraZovSDK::reset() noexcept {
    runNoThrow("reset", [&] {
        const auto use = guard();
        if (!use) return;
        const auto& parts = **use;
        const bool keepAnonymousId = parts.config->reuseAnonymousId;
        // The stored opt-out goes too; the one in force stays until the next launch.
        parts.storage->reset(keepAnonymousId);
        parts.superProperties->forget();
        parts.groups->forget();
        parts.storageManager->reset(keepAnonymousId, false);
        {
            std::lock_guard guard(flagCallReportedLock_);
            flagCallReported_.clear();
        }
        sessionManager_->resetSession();
        sessionManager_->releaseApplicationEventTokens();
        parts.remoteConfig->reset();
        {
            std::lock_guard guard(lastScreenLock_);
            lastScreenName_.reset();
        }
        parts.remoteConfig->loadFeatureFlags();
        updateIntegrationsContext();
    });
}

// ---- Alias and groups ----

void ZeraZovSDK::alias(const std::string& alias) noexcept {
    runNoThrow("alias", [&] {
        const auto use = guard();
        if (!use || refusesOptedOut(**use) || !requirePersonProcessingWith(**use, "alias(_:)")) return;
        const auto& parts = **use;
        const auto distinctId = parts.storageManager->getDistinctId();
        auto built = buildPropertiesWith(parts, distinctId, json{{"alias", alias}}, std::nullopt, std::nullopt,
                                         std::nullopt, true, std::nullopt);
        enqueue(parts, "$create_alias", distinctId, std::move(built), parts.clock->now());
    });
}

void ZeraZovSDK::group(const std::string& type, const std::string& key,
                       const std::optional<json>& groupProperties) noexcept {
    runNoThrow("group", [&] {
        const auto use = guard();
        if (!use || refusesOptedOut(**use) || !requirePersonProcessingWith(**use, "group(type:key:groupProperties:)")) {
            return;
        }
        addGroupWith(**use, type, key);
        groupIdentifyWith(**use, type, key, groupProperties);
        updateIntegrationsContext();
    });
}

ZeraZovSDK::Groups ZeraZovSDK::addGroup(const std::string& type, const std::string& key) noexcept {
    return valueNoThrow<Groups>("addGroup", {}, [&] {
        const auto use = guard();
        return use ? addGroupWith(**use, type, key) : Groups{};
    });
}

ZeraZovSDK::Groups ZeraZovSDK::addGroupWith(const Parts& parts, const std::string& type, const std::string& key) {
    bool changed = false;
    const auto groups = parts.groups->update([&](json& stored) {
        const auto found = stored.find(type);
        changed = found == stored.end() || *found != key;
        stored[type] = key;
    });
    // Flags may depend on the group; the same membership again changes nothing.
    if (changed) parts.remoteConfig->loadFeatureFlags();
    return groups.get<Groups>();
}

void ZeraZovSDK::groupIdentify(const std::string& type, const std::string& key,
                               const std::optional<json>& groupProperties) noexcept {
    runNoThrow("groupIdentify", [&] {
        const auto use = guard();
        if (!use || refusesOptedOut(**use)) return;
        groupIdentifyWith(**use, type, key, groupProperties);
    });
}

void ZeraZovSDK::groupIdentifyWith(const Parts& parts, const std::string& type, const std::string& key,
                                   const std::optional<json>& groupProperties) {
    json properties{{"$group_type", type}, {"$group_key", key}};
    const auto clean = sanitizeOptionalDictionary(groupProperties);
    if (clean) properties["$group_set"] = *clean;
    updateGroupPropertiesForFlags(parts, type, clean);
    const auto distinctId = parts.storageManager->getDistinctId();
    auto built = buildPropertiesWith(parts, distinctId, std::move(properties), std::nullopt, std::nullopt, std::nullopt,
                                     true, std::nullopt);
    enqueue(parts, "$groupidentify", distinctId, std::move(built), parts.clock->now());
}

void ZeraZovSDK::updateGroupPropertiesForFlags(const Parts& parts, const std::string& type,
                                               const std::optional<json>& properties) {
    const auto clean = sanitizeOptionalDictionary(properties);
    if (!clean || clean->empty() || !parts.remoteConfig) return;
    parts.remoteConfig->setGroupPropertiesForFlags(type, *clean);
}

}  // namespace zerazov
