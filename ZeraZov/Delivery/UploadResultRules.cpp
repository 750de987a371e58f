#include "ZeraZov/Delivery/UploadResultRules.h"

#include <algorithm>

namespace zerazov {

namespace {

constexpr int kNoResponse = -1;
constexpr int kPayloadTooLarge = 413;
constexpr double kBackoffStepSeconds = 5;
constexpr double kBackoffCeilingSeconds = 30;

UploadDecision dropAll(std::string reason) {
    UploadDecision decision;
    decision.action = UploadDecision::Action::dropAll;
    decision.dropReason = std::move(reason);
    return decision;
}

std::string exceededReason(std::int64_t maxRetries) {
    return "max retries (" + std::to_string(maxRetries) + ") exceeded";
}

UploadDecision retry(std::int64_t retryCount, std::int64_t maxRetries) {
    const auto count = retryCount + 1;
    if (count > maxRetries) return dropAll(exceededReason(maxRetries));
    UploadDecision decision;
    decision.action = UploadDecision::Action::keepAndPause;
    decision.retryCount = count;
    decision.pauseSeconds = backoffSeconds(count);
    return decision;
}

UploadDecision shrink(std::int64_t retryCount, std::int64_t maxRetries) {
    const auto count = retryCount + 1;
    if (count > maxRetries) return dropAll(exceededReason(maxRetries) + " after repeated HTTP 413");
    UploadDecision decision;
    decision.action = UploadDecision::Action::keepAndShrink;
    decision.retryCount = count;
    return decision;
}

}  // namespace

double backoffSeconds(std::int64_t retryCount) {
    return std::min(kBackoffCeilingSeconds, kBackoffStepSeconds * static_cast<double>(retryCount));
}

UploadDecision decideUpload(std::optional<int> statusCode, const std::function<bool(int)>& isRetriable,
                            std::int64_t retryCount, std::int64_t maxRetries, std::int64_t cap) {
    const int code = statusCode.value_or(kNoResponse);
    if (code == kNoResponse || (isRetriable && isRetriable(code))) return retry(retryCount, maxRetries);
    if (code != kPayloadTooLarge) return {};
    if (cap > 1) return shrink(retryCount, maxRetries);
    UploadDecision decision;
    decision.oversizedSingleRecord = true;
    return decision;
}

}  // namespace zerazov
