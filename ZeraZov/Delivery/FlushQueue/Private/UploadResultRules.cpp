#include "ZeraZov/Delivery/FlushQueue/Private/UploadResultRules.h"

#include <algorithm>

namespace zerazov {

namespace {

constexpr int kNoResponse = -1;
constexpr int kPayloadTooLarge = 413;
constexpr double kBackoffStepSeconds = 5;
constexpr double kBackoffCeilingSeconds = 30;

UploadDecision retry(std::int64_t retryCount, std::int64_t maxRetries) {
    UploadDecision decision;
    decision.action = UploadDecision::Action::keepAndPause;
    decision.retryCount = retryCount + 1;
    decision.retriesExhausted = decision.retryCount > maxRetries;
    decision.pauseSeconds = decision.retriesExhausted ? kBackoffCeilingSeconds : backoffSeconds(decision.retryCount);
    return decision;
}

// Halving ends at a cap of 1 after a few steps, so it needs no retry limit.
UploadDecision shrink(std::int64_t retryCount) {
    UploadDecision decision;
    decision.action = UploadDecision::Action::keepAndShrink;
    decision.retryCount = retryCount + 1;
    return decision;
}

}  // namespace

double backoffSeconds(std::int64_t retryCount) {
    return std::min(kBackoffCeilingSeconds, kBackoffStepSeconds * static_cast<double>(retryCount));
}

UploadDecision decideUpload(std::optional<int> statusCode, const std::function<bool(int)>& isRetriable,
                            std::int64_t retryCount, std::int64_t maxRetries, std::int64_t cap, std::size_t batchSize) {
    const int code = statusCode.value_or(kNoResponse);
    if (code == kNoResponse || (isRetriable && isRetriable(code))) return retry(retryCount, maxRetries);
    if (code != kPayloadTooLarge) return {};
    if (cap > 1 || batchSize > 1) return shrink(retryCount);
    UploadDecision dropped;
    dropped.refusedAlone = true;
    return dropped;
}

}  // namespace zerazov
