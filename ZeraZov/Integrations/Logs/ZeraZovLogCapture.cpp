#include "ZeraZov/Integrations/Logs/ZeraZovLogCapture.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Utilities/UnicodeText.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

// The record's two times are already one clock reading, taken when it was made.
ZeraZovLogRecord stamped(ZeraZovLogRecord record, const ZeraZovLogContext& context) {
    if (context.distinctId && !context.distinctId->empty()) record.distinctId = context.distinctId;
    record.sessionId = context.sessionId;
    record.screenName = context.screenName;
    record.appState = context.appInBackground ? "background" : "foreground";
    record.featureFlagKeys = ZeraZovLogCapture::featureFlagKeys(context.featureFlags);
    return record;
}

}  // namespace

ZeraZovLogCapture::ZeraZovLogCapture(std::shared_ptr<const BeforeSendChain<ZeraZovLogRecord>> beforeSend,
                                     ContextProvider context, Enqueue enqueue)
    : beforeSend_(std::move(beforeSend)), context_(std::move(context)), enqueue_(std::move(enqueue)) {}

void ZeraZovLogCapture::capture(std::string body, ZeraZovLogSeverity level, std::optional<nlohmann::json> attributes,
                                std::optional<std::string> traceId, std::optional<std::string> spanId,
                                std::optional<std::int64_t> traceFlags) const noexcept {
    if (isBlank(body)) {
        ZeraZovDebugLog::write("captureLog: empty body, dropping");
        return;
    }
    if (!enqueue_) return;
    try {
        ZeraZovLogRecord record(std::move(body), level);
        record.attributes = attributes.value_or(nlohmann::json::object());
        record.traceId = std::move(traceId);
        record.spanId = std::move(spanId);
        if (traceFlags) record.traceFlags = static_cast<std::uint32_t>(*traceFlags);
        record = stamped(std::move(record), context_ ? context_() : ZeraZovLogContext{});
        std::optional<ZeraZovLogRecord> kept(std::move(record));
        if (beforeSend_) kept = applyBeforeSend(*beforeSend_, std::move(*kept));
        if (kept) enqueue_(std::move(*kept));
    } catch (const std::exception& failure) {
        ZeraZovDebugLog::write(std::string("captureLog: dropping a log that could not be queued: ") + failure.what());
    } catch (...) {
        ZeraZovDebugLog::write("captureLog: dropping a log that could not be queued");
    }
}

std::optional<ZeraZovLogRecord> ZeraZovLogCapture::applyBeforeSend(const BeforeSendChain<ZeraZovLogRecord>& chain,
                                                                   ZeraZovLogRecord record) noexcept {
    auto kept = chain.apply(std::move(record));
    if (!kept || isBlank(kept->body)) return std::nullopt;
    return kept;
}

std::vector<std::string> ZeraZovLogCapture::featureFlagKeys(const nlohmann::json& flags) {
    std::vector<std::string> keys;
    if (!flags.is_object()) return keys;
    for (const auto& [key, value] : flags.items()) {
        if (value.is_boolean() && !value.get<bool>()) continue;
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

}  // namespace zerazov
