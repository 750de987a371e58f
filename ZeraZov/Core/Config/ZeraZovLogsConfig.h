#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BundleInfo.h"
#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"
#include "ZeraZov/Core/Events/BeforeSendChain.h"

namespace zerazov {

struct ZeraZovLogRecord;

// Settings of the logs pipeline. The queue values and the service description are
// read once when the client is set up, so set them before that.
struct ZeraZovLogsConfig {
    // The service is the given program's.
    explicit ZeraZovLogsConfig(const platform::BundleInfo& program = {});

    double flushIntervalSeconds = ZeraZovClientDefaults::logsFlushIntervalSeconds;
    std::int64_t maxBufferSize = ZeraZovClientDefaults::logsMaxBufferSize;
    std::int64_t flushAt = 20;
    std::int64_t maxBatchSize = 50;
    std::string serviceName;     // the program's bundle identifier, or "com.zerazov.unknown"
    std::string serviceVersion;  // the program's short version, or ""
    std::optional<std::string> environment;
    nlohmann::json resourceAttributes = nlohmann::json::object();
    // A negative value counts as 0, and 0 turns the cap off.
    std::int64_t rateCapMaxLogs = ZeraZovClientDefaults::logsRateCapMaxLogs;
    double rateCapWindowSeconds = ZeraZovClientDefaults::logsRateCapWindowSeconds;
    // Shared so the chain stays the same object while its hooks are replaced.
    std::shared_ptr<BeforeSendChain<ZeraZovLogRecord>> beforeSend;
};

}  // namespace zerazov
