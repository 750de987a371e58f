#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPLogs.h"

#include <string>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/UnicodeText.h"
#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPAnyValue.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

// The caller's attributes come last so that they win over the built-in ones.
json mergedAttributes(const ZeraZovLogRecord& record) {
    json merged = json::object();
    putValidText(merged, "zerazovDistinctId", record.distinctId);
    putValidText(merged, "sessionId", record.sessionId);
    putValidText(merged, "screen.name", record.screenName);
    putValidText(merged, "app.state", record.appState);
    if (!record.featureFlagKeys.empty()) merged["feature_flags"] = record.featureFlagKeys;
    if (record.attributes.is_object()) merged.update(record.attributes);
    return merged;
}

}  // namespace

int otlpSeverityNumber(ZeraZovLogSeverity severity) noexcept { return 1 + 4 * static_cast<int>(severity); }

json otlpLogRecord(const ZeraZovLogRecord& record) noexcept {
    json object = {
        {"timeUnixNano", validUTF8(record.timeUnixNano)},
        {"observedTimeUnixNano", validUTF8(record.observedTimeUnixNano)},
        {"severityNumber", otlpSeverityNumber(record.level)},
        {"severityText", logSeverityName(record.level)},
        {"body", {{"stringValue", validUTF8(record.body)}}},
    };
    const json merged = mergedAttributes(record);
    if (!merged.empty()) object["attributes"] = otlpAttributes(merged);
    putValidText(object, "traceId", record.traceId);
    putValidText(object, "spanId", record.spanId);
    if (record.traceFlags) object["flags"] = *record.traceFlags;
    return object;
}

json otlpLogsPayload(const std::vector<ZeraZovLogRecord>& records, const json& resourceAttributes,
                     std::string_view scopeVersion) noexcept {
    json logRecords = json::array();
    for (const auto& record : records) logRecords.push_back(otlpLogRecord(record));
    json scopeLogs = {
        {"scope", {{"name", ZeraZovLibraryInfo::defaultName}, {"version", validUTF8(scopeVersion)}}},
        {"logRecords", std::move(logRecords)},
    };
    json resourceLogs = {
        {"resource", {{"attributes", otlpAttributes(resourceAttributes)}}},
        {"scopeLogs", json::array({std::move(scopeLogs)})},
    };
    return {{"resourceLogs", json::array({std::move(resourceLogs)})}};
}

}  // namespace zerazov
