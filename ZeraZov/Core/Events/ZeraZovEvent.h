#pragma once
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/Clock.h"
#include "ZeraZov/Core/Identity/UUID.h"

namespace zerazov {

// One analytics event on its way from capture to upload. Its JSON form is the one
// format of the queue files and of the batch and replay upload bodies.
class ZeraZovEvent {
public:
    using Date = std::chrono::system_clock::time_point;

    ZeraZovEvent(std::string event, std::string distinctId, nlohmann::json properties, Date timestamp, UUID uuid,
                 std::optional<std::string> apiKey = std::nullopt);

    std::string event;
    std::string distinctId;
    nlohmann::json properties;  // a string-keyed object
    Date timestamp;
    UUID uuid;
    // Only records read back from a store that carried a project token have one.
    std::optional<std::string> apiKey;

    // "event", "distinct_id", "properties", "timestamp" (UTC, milliseconds), "uuid"
    // (upper-case text) and "api_key" when there is one.
    nlohmann::json toJSON() const;
    // toJSON().dump(), byte for byte, when all of the record can be written as it
    // stands (isValidJSONValue(toJSON()) holds), nothing otherwise: written straight
    // from the event in one pass, without the copy of every property toJSON makes.
    std::optional<std::string> writableJSONText() const;
    // The name, the distinct id and the project token are UTF-8, as JSON text must be.
    bool hasValidTexts() const;

    // A stored record read back. Without an event name or a distinct id there is no
    // record; a missing or unreadable timestamp becomes the clock's time and a missing
    // or unreadable id a fresh version-7 one. Never throws, whatever the input.
    static std::optional<ZeraZovEvent> fromJSON(const nlohmann::json& json,
                                                const platform::Clock& clock = platform::SystemClock::shared());

    friend bool operator==(const ZeraZovEvent&, const ZeraZovEvent&) = default;
};

// The events whose loss breaks features of the service ("$snapshot", "$screen",
// "$set", the survey events, "$identify", "$groupidentify", "$create_alias",
// "$feature_flag_called"): a name's position in that list, exact and case-sensitive,
// or wellKnownEventCount for any other name.
inline constexpr std::size_t wellKnownEventCount = 10;
std::size_t wellKnownEventIndex(std::string_view name);
bool isWellKnownEvent(std::string_view name);

}  // namespace zerazov
