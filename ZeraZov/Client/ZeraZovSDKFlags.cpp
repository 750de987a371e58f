// Feature flags as the application reads them, and the reports of flag reads.
#include <utility>

#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

using nlohmann::json;

// The variant when there is one, else whether the flag is on; null for an unknown flag.
json flagValue(const std::optional<ZeraZovFeatureFlagResult>& result) {
    if (!result) return nullptr;
    if (result->variant()) return *result->variant();
    return result->enabled();
}

// Only absent values, Booleans and texts can repeat an earlier report.
bool isSameReport(const json& earlier, const json& value) {
    if (earlier.is_null() && value.is_null()) return true;
    const bool comparable = (earlier.is_boolean() && value.is_boolean()) || (earlier.is_string() && value.is_string());
    return comparable && earlier == value;
}

json memberOrNull(const json& object, const char* name) { return object.value(name, json()); }

void addFlagDetails(json& properties, const json& details) {
    if (!details.is_object()) return;
    if (const auto reason = details.find("reason"); reason != details.end() && reason->is_object()) {
        properties["$feature_flag_reason"] = memberOrNull(*reason, "description");
    }
    if (const auto metadata = details.find("metadata"); metadata != details.end() && metadata->is_object()) {
        properties["$feature_flag_id"] = memberOrNull(*metadata, "id");
        properties["$feature_flag_version"] = memberOrNull(*metadata, "version");
    }
}

}  // namespace

// ---- Reads ----

std::optional<ZeraZovFeatureFlagResult> ZeraZovSDK::getFeatureFlagResult(const std::string& key,
                                                                         std::optional<bool> sendEvent) noexcept {
    return valueNoThrow<std::optional<ZeraZovFeatureFlagResult>>("Reading a flag", std::nullopt, [&] {
        const auto use = guard();
        return use ? flagResultWith(**use, key, sendEvent) : std::nullopt;
    });
}

std::optional<ZeraZovFeatureFlagResult> ZeraZovSDK::flagResultWith(const Parts& parts, const std::string& key,
                                                                   std::optional<bool> sendEvent) {
    if (!parts.remoteConfig) return std::nullopt;
    auto result = parts.remoteConfig->getFeatureFlagResult(key);
    if (sendEvent.value_or(parts.config->sendFeatureFlagEvent)) reportFlagCallWith(parts, key, flagValue(result));
    return result;
}

std::optional<json> ZeraZovSDK::getFeatureFlag(const std::string& key, std::optional<bool> sendEvent) noexcept {
    const auto result = getFeatureFlagResult(key, sendEvent);
    if (!result) return std::nullopt;
    return flagValue(result);
}

bool ZeraZovSDK::isFeatureEnabled(const std::string& key, std::optional<bool> sendEvent) noexcept {
    const auto value = getFeatureFlag(key, sendEvent);
    return value && (value->is_string() || (value->is_boolean() && value->get<bool>()));
}

std::optional<json> ZeraZovSDK::getFeatureFlagPayload(const std::string& key) noexcept {
    const auto result = getFeatureFlagResult(key, false);
    return result ? result->payload() : std::nullopt;
}

// ---- Reports ----

void ZeraZovSDK::reportFeatureFlagCalled(const std::string& key, const json& value) noexcept {
    runNoThrow("Reporting a flag read", [&] {
        if (const auto use = guard()) reportFlagCallWith(**use, key, value);
    });
}

bool ZeraZovSDK::isRepeatedFlagCall(const std::string& key, const json& value) {
    std::lock_guard guard(flagCallReportedLock_);
    auto& reported = flagCallReported_[key];
    for (const auto& earlier : reported) {
        if (isSameReport(earlier, value)) return true;
    }
    reported.push_back(value);
    return false;
}

void ZeraZovSDK::reportFlagCallWith(const Parts& parts, const std::string& key, const json& value) {
    if (!parts.remoteConfig || isRepeatedFlagCall(key, value)) return;
    json properties{{"$feature_flag", key},
                    {"$feature_flag_response", value},
                    {"$feature_flag_request_id", parts.remoteConfig->requestId().value_or("")}};
    if (const auto evaluatedAt = parts.remoteConfig->evaluatedAt()) {
        properties["$feature_flag_evaluated_at"] = *evaluatedAt;
    }
    addFlagDetails(properties, parts.remoteConfig->cachedFlags().value(key, json()));
    captureWith(parts, "$feature_flag_called", properties, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                std::nullopt);
}

void ZeraZovSDK::captureFeatureView(const std::string& flag, const std::optional<std::string>& flagVariant) noexcept {
    captureFeatureUse("captureFeatureView", "$feature_view", flag, flagVariant);
}

void ZeraZovSDK::captureFeatureInteraction(const std::string& flag,
                                           const std::optional<std::string>& flagVariant) noexcept {
    captureFeatureUse("captureFeatureInteraction", "$feature_interaction", flag, flagVariant);
}

void ZeraZovSDK::captureFeatureUse(std::string_view operation, std::string_view eventName, const std::string& flag,
                                   const std::optional<std::string>& flagVariant) {
    runNoThrow(operation, [&] {
        const auto use = guard();
        if (!use || refusesOptedOut(**use)) return;
        std::optional<json> variant;
        if (flagVariant) {
            variant = *flagVariant;
        } else if (const auto result = flagResultWith(**use, flag, false)) {
            variant = flagValue(result);
        }
        if (!variant) {
            return ZeraZovDebugLog::write(std::string(operation) + " called for flag '" + flag +
                                          "' but no variant value is available. Event will not be captured.");
        }
        json properties{{"feature_flag", flag}};
        if (variant->is_string()) properties["feature_flag_variant"] = *variant;
        const std::string name(eventName);
        captureWith(**use, name, properties, json{{name + "/" + flag, *variant}}, std::nullopt, std::nullopt,
                    std::nullopt, std::nullopt);
    });
}

// ---- Reloads and properties for flags ----

void ZeraZovSDK::reloadFeatureFlags(std::function<void()> completion) noexcept {
    runNoThrow("Reloading flags", [&] {
        const auto use = guard();
        if (!use) return;
        ZeraZovRemoteConfig::FlagsCallback callback;
        if (completion) callback = [completion = std::move(completion)](const std::optional<json>&) { completion(); };
        (*use)->remoteConfig->loadFeatureFlags(std::move(callback));
    });
}

void ZeraZovSDK::changeFlagProperties(bool reloadFeatureFlags, const std::function<bool(const Parts&)>& change) {
    runNoThrow("Changing the properties for flags", [&] {
        const auto use = guard();
        if (!use || !change(**use) || !reloadFeatureFlags) return;
        (*use)->remoteConfig->loadFeatureFlags();
    });
}

void ZeraZovSDK::setPersonPropertiesForFlags(const json& properties, bool reloadFeatureFlags) noexcept {
    changeFlagProperties(reloadFeatureFlags, [&](const Parts& parts) {
        const auto clean = sanitizeDictionary(properties);
        if (!clean || clean->empty()) return false;
        parts.remoteConfig->setPersonPropertiesForFlags(*clean);
        return true;
    });
}

void ZeraZovSDK::resetPersonPropertiesForFlags(bool reloadFeatureFlags) noexcept {
    changeFlagProperties(reloadFeatureFlags, [](const Parts& parts) {
        parts.remoteConfig->resetPersonPropertiesForFlags();
        return true;
    });
}

void ZeraZovSDK::setGroupPropertiesForFlags(const std::string& groupType, const json& properties,
                                            bool reloadFeatureFlags) noexcept {
    changeFlagProperties(reloadFeatureFlags, [&](const Parts& parts) {
        const auto clean = sanitizeDictionary(properties);
        if (!clean || clean->empty()) return false;
        parts.remoteConfig->setGroupPropertiesForFlags(groupType, *clean);
        return true;
    });
}

void ZeraZovSDK::resetGroupPropertiesForFlags(bool reloadFeatureFlags) noexcept {
    changeFlagProperties(reloadFeatureFlags, [](const Parts& parts) {
        parts.remoteConfig->resetGroupPropertiesForFlags();
        return true;
    });
}

void ZeraZovSDK::resetGroupPropertiesForFlags(const std::string& groupType, bool reloadFeatureFlags) noexcept {
    changeFlagProperties(reloadFeatureFlags, [&](const Parts& parts) {
        parts.remoteConfig->resetGroupPropertiesForFlags(groupType);
        return true;
    });
}

}  // namespace zerazov
