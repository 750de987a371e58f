#include "ZeraZov/Integrations/Logs/LogsQueueEndpoint.h"

#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Integrations/Logs/Private/ZeraZovLogsQueueLimits.h"
#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPLogs.h"

namespace zerazov {
namespace {

using Endpoint = QueueEndpoint<ZeraZovLogRecord>;

ZeraZovLogsQueueLimits limits(const ZeraZovConfig& config) { return ZeraZovLogsQueueLimits::from(config.logs); }

// The payload builder already makes every text UTF-8; writing with replacement keeps
// a send from throwing should a bad byte ever slip through it.
std::string serialised(const nlohmann::json& payload) {
    return payload.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void setLimits(Endpoint& endpoint) {
    endpoint.initialCap = [](const ZeraZovConfig& config) { return limits(config).maxBatchSize; };
    endpoint.initialFlushAt = [](const ZeraZovConfig& config) { return limits(config).flushAt; };
    endpoint.maxQueueSize = [](const ZeraZovConfig& config) { return limits(config).maxBufferSize; };
    endpoint.flushIntervalSeconds = [](const ZeraZovConfig& config) { return limits(config).flushIntervalSeconds; };
    endpoint.rateCapMax = [](const ZeraZovConfig& config) { return limits(config).rateCapMax; };
    endpoint.rateCapWindowSeconds = [](const ZeraZovConfig& config) { return limits(config).rateCapWindowSeconds; };
}

}  // namespace

QueueEndpoint<ZeraZovLogRecord> LogsQueueEndpoint::make(std::shared_ptr<const ZeraZovApi> api,
                                                        nlohmann::json resourceAttributes, std::string sdkVersion) {
    Endpoint endpoint;
    endpoint.storageKey = ZeraZovStorage::StorageKey::logsQueue;
    endpoint.dispatchQueueLabel = "com.zerazov.LogsQueue";
    setLimits(endpoint);
    endpoint.encode = encode;
    endpoint.decode = decode;
    endpoint.describe = [](const ZeraZovLogRecord&) { return std::string("log"); };
    endpoint.send = [api = std::move(api), attributes = std::move(resourceAttributes), version = std::move(sdkVersion)](
                        std::vector<ZeraZovLogRecord> batch, Endpoint::UploadCompletion done) {
        api->logs(serialised(otlpLogsPayload(batch, attributes, version)), std::move(done));
    };
    endpoint.isRetriableStatusCode = isRetriableStatusCode;
    return endpoint;
}

bool LogsQueueEndpoint::isRetriableStatusCode(int statusCode) {
    return statusCode == 408 || statusCode == 429 || (statusCode >= 500 && statusCode <= 599);
}

std::optional<std::string> LogsQueueEndpoint::encode(const ZeraZovLogRecord& record) {
    return toJSONData(record.toDictionary());
}

std::optional<ZeraZovLogRecord> LogsQueueEndpoint::decode(const std::string& bytes) {
    const auto dictionary = jsonObject(bytes);
    if (!dictionary) return std::nullopt;
    return ZeraZovLogRecord::fromDictionary(*dictionary);
}

}  // namespace zerazov
