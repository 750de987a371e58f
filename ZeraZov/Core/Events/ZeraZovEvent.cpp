#include "ZeraZov/Core/Events/ZeraZovEvent.h"

#include <algorithm>
#include <array>
#include <type_traits>
#include <utility>

#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/Private/JSONTextWriter.h"

namespace zerazov {
namespace {

constexpr std::array<std::string_view, wellKnownEventCount> wellKnownEvents = {
    "$snapshot",    "$screen",   "$set",           "survey dismissed", "survey sent",
    "survey shown", "$identify", "$groupidentify", "$create_alias",    "$feature_flag_called",
};

const std::string* stringMember(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return nullptr;
    return found->get_ptr<const std::string*>();
}

const nlohmann::json* objectMember(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_object()) return nullptr;
    return &*found;
}

ZeraZovEvent::Date readTimestamp(const nlohmann::json& json, const platform::Clock& clock) {
    if (const auto* text = stringMember(json, "timestamp")) {
        if (auto date = ZeraZovAPIDateFormatter::shared().date(*text)) return *date;
    }
    // Kept to the written precision, so a record written and read again keeps its time.
    return std::chrono::floor<std::chrono::milliseconds>(clock.now());
}

nlohmann::json readProperties(const nlohmann::json& json) {
    const auto* properties = objectMember(json, "properties");
    nlohmann::json result = properties ? *properties : nlohmann::json::object();
    if (const auto* set = objectMember(json, "$set")) result["$set"] = *set;
    return result;
}

std::optional<std::string> readDistinctId(const nlohmann::json& json, const nlohmann::json& properties) {
    if (const auto* id = stringMember(json, "distinct_id")) return *id;
    if (const auto* id = stringMember(properties, "distinct_id")) return *id;
    return std::nullopt;
}

UUID readUUID(const nlohmann::json& json) {
    const auto* text = stringMember(json, "uuid");
    if (!text) text = stringMember(json, "message_id");
    if (text) {
        if (auto uuid = UUID::fromString(*text)) return *uuid;
    }
    return TimeBasedEpochGenerator::shared().v7();
}

std::optional<ZeraZovEvent> readEvent(const nlohmann::json& json, const platform::Clock& clock) {
    if (!json.is_object() || json.empty()) return std::nullopt;
    const auto* name = stringMember(json, "event");
    if (!name) return std::nullopt;
    auto properties = readProperties(json);
    auto distinctId = readDistinctId(json, properties);
    if (!distinctId) return std::nullopt;
    std::optional<std::string> apiKey;
    if (const auto* key = stringMember(json, "api_key")) apiKey = *key;
    return ZeraZovEvent(*name, std::move(*distinctId), std::move(properties), readTimestamp(json, clock),
                        readUUID(json), std::move(apiKey));
}

// The record's members, each handed to `member` with its key until one answers
// false: the one list both of its forms are made from. In the order of their keys,
// the order in which a JSON object writes its members, so that the text written
// straight from the event is the object's own.
template <typename Member>
bool forEachMember(const ZeraZovEvent& record, Member&& member) {
    return (!record.apiKey || member("api_key", *record.apiKey)) && member("distinct_id", record.distinctId) &&
           member("event", record.event) && member("properties", record.properties) &&
           member("timestamp", ZeraZovAPIDateFormatter::shared().string(record.timestamp)) &&
           member("uuid", record.uuid.uuidString());
}

}  // namespace

ZeraZovEvent::ZeraZovEvent(std::string eventName, std::string distinct, nlohmann::json eventProperties, Date time,
                           UUID id, std::optional<std::string> key)
    : event(std::move(eventName)),
      distinctId(std::move(distinct)),
      properties(std::move(eventProperties)),
      timestamp(time),
      uuid(id),
      apiKey(std::move(key)) {}

nlohmann::json ZeraZovEvent::toJSON() const {
    nlohmann::json json = nlohmann::json::object();
    forEachMember(*this, [&json](std::string_view key, const auto& value) {
        json[std::string(key)] = value;
        return true;
    });
    return json;
}

std::optional<std::string> ZeraZovEvent::writableJSONText() const {
    // The properties are a member of the record, whose own level is the outermost.
    constexpr std::size_t propertiesDepth = platform::BoundedJSON::maxDepth - 1;
    // Room for the usual event at once, instead of growing through seven sizes.
    constexpr std::size_t usualLength = 1024;
    std::string text;
    text.reserve(usualLength);
    JSONTextWriter writer(text);
    char separator = '{';
    const bool written = forEachMember(*this, [&](std::string_view key, const auto& value) {
        text += separator;
        separator = ',';
        writer.string(key);
        text += ':';
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, nlohmann::json>) {
            return writer.value(value, propertiesDepth);
        } else {
            return writer.string(value);
        }
    });
    if (!written) return std::nullopt;
    text += '}';
    return text;
}

bool ZeraZovEvent::hasValidTexts() const {
    return isValidUTF8(event) && isValidUTF8(distinctId) && (!apiKey || isValidUTF8(*apiKey));
}

std::optional<ZeraZovEvent> ZeraZovEvent::fromJSON(const nlohmann::json& json, const platform::Clock& clock) {
    // Stored bytes are untrusted; a record that cannot be read is skipped, never thrown.
    try {
        return readEvent(json, clock);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::size_t wellKnownEventIndex(std::string_view name) {
    const auto found = std::find(wellKnownEvents.begin(), wellKnownEvents.end(), name);
    return static_cast<std::size_t>(found - wellKnownEvents.begin());
}

bool isWellKnownEvent(std::string_view name) { return wellKnownEventIndex(name) < wellKnownEventCount; }

}  // namespace zerazov
