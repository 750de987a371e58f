#include "ZeraZov/Integrations/Logs/ZeraZovLogRecord.h"

#include <utility>

#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

std::optional<std::string> textMember(const json& dictionary, const char* key) {
    const auto found = dictionary.find(key);
    if (found == dictionary.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

ZeraZovLogSeverity levelMember(const json& dictionary) {
    const auto text = textMember(dictionary, "level");
    if (!text) return ZeraZovLogSeverity::info;
    return logSeverityFromString(*text).value_or(ZeraZovLogSeverity::info);
}

json attributesMember(const json& dictionary) {
    const auto found = dictionary.find("attributes");
    if (found == dictionary.end() || !found->is_object()) return json::object();
    return *found;
}

// A list with one element that is not text is not a list of flag keys at all.
std::vector<std::string> flagKeysMember(const json& dictionary) {
    const auto found = dictionary.find("featureFlagKeys");
    if (found == dictionary.end() || !found->is_array()) return {};
    std::vector<std::string> keys;
    for (const auto& key : *found) {
        if (!key.is_string()) return {};
        keys.push_back(key.get<std::string>());
    }
    return keys;
}

// Trace flags are a 32-bit field on the wire; wider stored numbers keep their low bits.
std::optional<std::uint32_t> traceFlagsMember(const json& dictionary) {
    const auto found = dictionary.find("traceFlags");
    if (found == dictionary.end()) return std::nullopt;
    if (found->is_number_unsigned()) return static_cast<std::uint32_t>(found->get<std::uint64_t>());
    if (found->is_number_integer()) return static_cast<std::uint32_t>(found->get<std::int64_t>());
    return std::nullopt;
}

json storedAttributes(const json& attributes) { return sanitizeDictionary(attributes).value_or(json::object()); }

json storedFlagKeys(const std::vector<std::string>& keys) {
    json stored = json::array();
    for (const auto& key : keys) stored.push_back(validUTF8(key));
    return stored;
}

}  // namespace

ZeraZovLogRecord::ZeraZovLogRecord(std::string body_, ZeraZovLogSeverity level_)
    : body(std::move(body_)), level(level_), timeUnixNano(nowUnixNanosString()), observedTimeUnixNano(timeUnixNano) {}

std::optional<ZeraZovLogRecord> ZeraZovLogRecord::fromDictionary(const json& dictionary) noexcept {
    if (!dictionary.is_object()) return std::nullopt;
    auto body = textMember(dictionary, "body");
    if (!body) return std::nullopt;
    ZeraZovLogRecord record(std::move(*body), levelMember(dictionary));
    record.attributes = attributesMember(dictionary);
    record.timeUnixNano = textMember(dictionary, "timeUnixNano").value_or(record.timeUnixNano);
    record.observedTimeUnixNano = textMember(dictionary, "observedTimeUnixNano").value_or(record.timeUnixNano);
    record.featureFlagKeys = flagKeysMember(dictionary);
    record.traceId = textMember(dictionary, "traceId");
    record.spanId = textMember(dictionary, "spanId");
    record.traceFlags = traceFlagsMember(dictionary);
    record.distinctId = textMember(dictionary, "distinctId");
    record.sessionId = textMember(dictionary, "sessionId");
    record.screenName = textMember(dictionary, "screenName");
    record.appState = textMember(dictionary, "appState");
    return record;
}

json ZeraZovLogRecord::toDictionary() const noexcept {
    json dictionary = {
        {"body", validUTF8(body)},
        {"level", logSeverityName(level)},
        {"timeUnixNano", validUTF8(timeUnixNano)},
        {"observedTimeUnixNano", validUTF8(observedTimeUnixNano)},
        {"featureFlagKeys", storedFlagKeys(featureFlagKeys)},
    };
    if (attributes.is_object() && !attributes.empty()) dictionary["attributes"] = storedAttributes(attributes);
    putValidText(dictionary, "traceId", traceId);
    putValidText(dictionary, "spanId", spanId);
    if (traceFlags) dictionary["traceFlags"] = *traceFlags;
    putValidText(dictionary, "distinctId", distinctId);
    putValidText(dictionary, "sessionId", sessionId);
    putValidText(dictionary, "screenName", screenName);
    putValidText(dictionary, "appState", appState);
    return dictionary;
}

}  // namespace zerazov
