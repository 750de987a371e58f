#include "ZeraZov/Core/Events/ZeraZovEventBuilder.h"

#include <utility>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

// Hooks may put anything into the properties; what cannot be written as JSON goes
// here, before the queue tries to write the record. The usual event, all of it
// writable, is only walked: sanitising copies, and it would copy every property.
// The limit leaves room for the builder's own wrapper around person properties,
// so that what was sanitised on the way in is never dropped here. Such properties
// nest well within what the record may, and the time and id are the client's own
// text, so the rest of the record is its other texts.
std::optional<ZeraZovEvent> writable(ZeraZovEvent event) {
    if (!isSanitizedDictionary(event.properties, maxBuiltPropertyDepth)) {
        event.properties =
            sanitizeDictionary(event.properties, maxBuiltPropertyDepth).value_or(nlohmann::json::object());
    }
    if (!event.hasValidTexts()) {
        ZeraZovDebugLog::write("ZeraZov event " + event.event + " was dropped: it holds text that is not UTF-8");
        return std::nullopt;
    }
    return event;
}

}  // namespace

ZeraZovEventBuilder::ZeraZovEventBuilder(std::shared_ptr<const ZeraZovConfig> config, TimeBasedEpochGenerator& ids)
    : config_(std::move(config)), ids_(ids) {}

std::optional<ZeraZovEvent> ZeraZovEventBuilder::buildEvent(std::string name, std::string distinctId,
                                                            nlohmann::json properties,
                                                            ZeraZovEvent::Date timestamp) const noexcept {
    try {
        auto clean = sanitized(std::move(properties));
        if (!clean) {
            ZeraZovDebugLog::write(droppedEventMessage(name));
            return std::nullopt;
        }
        ZeraZovEvent event(name, std::move(distinctId), std::move(*clean), timestamp, ids_.v7());
        auto result = filtered(std::move(event));
        if (!result) return std::nullopt;
        return writable(std::move(*result));
    } catch (...) {
        return std::nullopt;
    }
}

std::string ZeraZovEventBuilder::droppedEventMessage(std::string_view name) {
    std::string message = "ZeraZov event " + std::string(name) + " was dropped";
    if (isWellKnownEvent(name)) message += ". This can cause unexpected behavior.";
    return message;
}

// A sanitiser that throws drops the event: what it was meant to remove may still be there.
std::optional<nlohmann::json> ZeraZovEventBuilder::sanitized(nlohmann::json properties) const {
    const auto sanitizer = config_->propertiesSanitizer.get();
    if (!sanitizer) return properties;
    try {
        return sanitizer->sanitize(std::move(properties));
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<ZeraZovEvent> ZeraZovEventBuilder::filtered(ZeraZovEvent event) const {
    const std::string name = event.event;
    auto result = config_->beforeSend()->apply(std::move(event));
    if (!result) ZeraZovDebugLog::write(droppedEventMessage(name));
    return result;
}

}  // namespace zerazov
