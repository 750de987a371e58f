#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"

namespace zerazov {
namespace {

using Key = ZeraZovStorage::StorageKey;
using EventEndpoint = QueueEndpoint<ZeraZovEvent>;

// Both event streams share the client's queue settings and have no rate cap: only
// the logs stream can be flooded by a chatty caller.
EventEndpoint eventEndpoint(Key storageKey, std::vector<Key> oldStorageKeys, std::string label) {
    EventEndpoint endpoint;
    endpoint.storageKey = storageKey;
    endpoint.oldStorageKeys = std::move(oldStorageKeys);
    endpoint.dispatchQueueLabel = std::move(label);
    endpoint.initialCap = [](const ZeraZovConfig& config) { return config.maxBatchSize.load(); };
    endpoint.initialFlushAt = [](const ZeraZovConfig& config) { return config.flushAt.load(); };
    endpoint.maxQueueSize = [](const ZeraZovConfig& config) { return config.maxQueueSize.load(); };
    endpoint.flushIntervalSeconds = [](const ZeraZovConfig& config) { return config.flushIntervalSeconds.load(); };
    endpoint.rateCapMax = [](const ZeraZovConfig&) { return std::int64_t{0}; };
    endpoint.rateCapWindowSeconds = [](const ZeraZovConfig&) { return 0.0; };
    endpoint.encode = QueueEndpoints::encode;
    endpoint.decode = QueueEndpoints::decode;
    endpoint.isRetriableStatusCode = QueueEndpoints::isRetriableStatusCode;
    return endpoint;
}

}  // namespace

QueueEndpoint<ZeraZovEvent> QueueEndpoints::events(std::shared_ptr<const ZeraZovApi> api) {
    auto endpoint = eventEndpoint(Key::queue, {Key::oldQueueFolder, Key::oldQueuePlist}, "com.zerazov.Queue");
    endpoint.describe = [](const ZeraZovEvent& event) { return "event '" + event.event + "'"; };
    endpoint.send = [api](std::vector<ZeraZovEvent> batch, EventEndpoint::UploadCompletion done) {
        api->batch(batch, std::move(done));
    };
    // Stored events are already the JSON the batch carries: a flush sends them as
    // they are instead of building each event only to write it out again, in a
    // body compressed while the upload before it is still under way.
    endpoint.wireForm = ZeraZovStoredBatch::eventText;
    endpoint.prepareWireForms = [api = std::move(api)](std::vector<std::string> texts) {
        auto body = std::make_shared<ZeraZovStoredBatchBody>(api->storedBatchBody(texts));
        return EventEndpoint::WireFormsUpload(
            [api, body](EventEndpoint::UploadCompletion done) { api->batchStored(std::move(*body), std::move(done)); });
    };
    return endpoint;
}

QueueEndpoint<ZeraZovEvent> QueueEndpoints::snapshots(std::shared_ptr<const ZeraZovApi> api) {
    auto endpoint = eventEndpoint(Key::replayQeueue, {Key::oldReplayQueue}, "com.zerazov.ReplayQueue");
    endpoint.describe = [](const ZeraZovEvent&) { return std::string("snapshot"); };
    // The snapshot path is not captured here: the remote configuration may replace it
    // while the client runs, and the HTTP client reads it under its lock per upload.
    endpoint.send = [api = std::move(api)](std::vector<ZeraZovEvent> batch, EventEndpoint::UploadCompletion done) {
        api->snapshot(batch, std::move(done));
    };
    return endpoint;
}

bool QueueEndpoints::isRetriableStatusCode(int statusCode) {
    static constexpr std::array<int, 6> transient{408, 429, 500, 502, 503, 504};
    if (statusCode >= 300 && statusCode <= 399) return true;
    return std::find(transient.begin(), transient.end(), statusCode) != transient.end();
}

// A record that is writable as it stands, as every event the client builds is, is
// written straight from the event; any other goes through toJSONData, which leaves
// out the members that cannot be written.
std::optional<std::string> QueueEndpoints::encode(const ZeraZovEvent& event) {
    if (auto text = event.writableJSONText()) return text;
    return toJSONData(event.toJSON());
}

std::optional<ZeraZovEvent> QueueEndpoints::decode(const std::string& bytes) {
    const auto object = jsonObject(bytes);
    if (!object) return std::nullopt;
    return ZeraZovEvent::fromJSON(*object);
}

}  // namespace zerazov
