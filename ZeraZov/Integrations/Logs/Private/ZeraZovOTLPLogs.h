#pragma once
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Integrations/Logs/ZeraZovLogRecord.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"

namespace zerazov {

// The logs export request in OTLP/JSON: one resource with the given attributes,
// one scope named "zerazov-ios" at `scopeVersion`, and one log record per record
// in batch order.
nlohmann::json otlpLogsPayload(const std::vector<ZeraZovLogRecord>& records, const nlohmann::json& resourceAttributes,
                               std::string_view scopeVersion) noexcept;

// One log record object. Its attributes are the record's identity, session,
// screen, app state and flag keys, overwritten by the record's own attributes.
nlohmann::json otlpLogRecord(const ZeraZovLogRecord& record) noexcept;

// The first OTLP severity number of each range: 1, 5, 9, 13, 17, 21.
int otlpSeverityNumber(ZeraZovLogSeverity severity) noexcept;

}  // namespace zerazov
