#pragma once
#include <cstdint>

#include "ZeraZov/Core/Config/ZeraZovLogsConfig.h"

namespace zerazov {

// The logs settings as the logs queue may use them, read once when the queue is
// made. Values that would stall, spin or crash the queue are brought into range.
struct ZeraZovLogsQueueLimits {
    static ZeraZovLogsQueueLimits from(const ZeraZovLogsConfig& config);

    // A period that is not a positive number would fire the timer without pause;
    // such a setting gets the default period.
    double flushIntervalSeconds = 0;
    // At least 1: a queue that holds nothing would have to drop from an empty list.
    std::int64_t maxBufferSize = 1;
    std::int64_t flushAt = 1;       // at least 1
    std::int64_t maxBatchSize = 1;  // at least 1
    // Records accepted per window; 0 (also for a negative setting) means no cap.
    std::int64_t rateCapMax = 0;
    // Anything but a number of at least 0 (negative, NaN) reads as 0.
    double rateCapWindowSeconds = 0;
};

}  // namespace zerazov
