#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"

namespace zerazov {

// One structured log line on its way to the logs queue. The log capture fills
// every field; before-send hooks may change any of them.
struct ZeraZovLogRecord {
    // Both times are the moment of creation; the capture and the stored form
    // replace them with their own.
    ZeraZovLogRecord(std::string body, ZeraZovLogSeverity level);

    // The stored form read back; nothing without a text "body". Values of the
    // wrong type count as missing.
    static std::optional<ZeraZovLogRecord> fromDictionary(const nlohmann::json& dictionary) noexcept;
    // The form the logs queue keeps on disk, keyed by field name with the level as
    // its name. Texts that are not UTF-8 carry U+FFFD for their bad bytes, so the
    // record can always be written.
    nlohmann::json toDictionary() const noexcept;

    std::string body;
    ZeraZovLogSeverity level;
    nlohmann::json attributes = nlohmann::json::object();  // anything but an object counts as empty
    std::optional<std::string> traceId;
    std::optional<std::string> spanId;
    std::optional<std::uint32_t> traceFlags;
    std::optional<std::string> distinctId;
    std::optional<std::string> sessionId;
    std::optional<std::string> screenName;
    std::optional<std::string> appState;  // "foreground" or "background"
    std::vector<std::string> featureFlagKeys;
    std::string timeUnixNano;          // decimal nanoseconds since 1970
    std::string observedTimeUnixNano;  // same form
};

}  // namespace zerazov
