#include "ZeraZov/Integrations/Logs/Private/ZeraZovLogsQueueLimits.h"

#include <algorithm>
#include <cmath>

#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"

namespace zerazov {
namespace {

double positiveOrDefault(double seconds, double fallback) {
    return std::isfinite(seconds) && seconds > 0 ? seconds : fallback;
}

double atLeastZero(double seconds) { return seconds >= 0 ? seconds : 0; }

}  // namespace

ZeraZovLogsQueueLimits ZeraZovLogsQueueLimits::from(const ZeraZovLogsConfig& config) {
    ZeraZovLogsQueueLimits limits;
    limits.flushIntervalSeconds =
        positiveOrDefault(config.flushIntervalSeconds, ZeraZovClientDefaults::logsFlushIntervalSeconds);
    limits.maxBufferSize = std::max<std::int64_t>(1, config.maxBufferSize);
    limits.flushAt = std::max<std::int64_t>(1, config.flushAt);
    limits.maxBatchSize = std::max<std::int64_t>(1, config.maxBatchSize);
    limits.rateCapMax = std::max<std::int64_t>(0, config.rateCapMaxLogs);
    limits.rateCapWindowSeconds = atLeastZero(config.rateCapWindowSeconds);
    return limits;
}

}  // namespace zerazov
