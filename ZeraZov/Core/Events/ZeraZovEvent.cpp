#include "ZeraZov/Core/Events/ZeraZovEvent.h"

#include <algorithm>
#include <array>
#include <utility>

#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/Private/JSONTextWriter.h"

namespace zerazov {
namespace {

constexpr std::array<std::string_view, wellKnownEventCount> wellKnownEvents = {
    "$snapshot",   "$screen",    "$set",          "survey dismissed", "survey sent",
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
    nlohmann::json json = {
        {"event", event},
        {"distinct_id", distinctId},
        {"properties", properties},
        {"timestamp", ZeraZovAPIDateFormatter::shared().string(timestamp)},
        {"uuid", uuid.uuidString()},
    };
    if (apiKey) json["api_key"] = *apiKey;
    return json;
}

// The members in the order the object writes them, its keys sorted. The properties
// are a member of the record, whose own level is the outermost.
std::optional<std::string> ZeraZovEvent::writableJSONText() const {
    constexpr std::size_t propertiesDepth = platform::BoundedJSON::maxDepth - 1;
    // Room for the usual event at once, instead of growing through seven sizes.
    constexpr std::size_t usualLength = 1024;
    std::string text;
    text.reserve(usualLength);
    text += '{';
    JSONTextWriter writer(text);
    if (apiKey) {
        writer.raw(R"("api_key":)");
        if (!writer.string(*apiKey)) return std::nullopt;
        writer.raw(",");
    }
    writer.raw(R"("distinct_id":)");
    if (!writer.string(distinctId)) return std::nullopt;
    writer.raw(R"(,"event":)");
    if (!writer.string(event)) return std::nullopt;
    writer.raw(R"(,"properties":)");
    if (!writer.value(properties, propertiesDepth)) return std::nullopt;
    writer.raw(R"(,"timestamp":)");
    writer.string(ZeraZovAPIDateFormatter::shared().string(timestamp));
    writer.raw(R"(,"uuid":)");
    writer.string(uuid.uuidString());
    writer.raw("}");
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
