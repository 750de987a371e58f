#pragma once
#include <memory>
#include <optional>
#include <string>

#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Delivery/Api/ZeraZovApi.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoint.h"

namespace zerazov {

// The two event streams of the client: captured events, uploaded as batches, and
// session-replay snapshots, uploaded to the snapshot path. Both keep events in their
// JSON form and retry the same status codes; only the folder, the old locations,
// the label, the description and the upload call differ. The limits are the
// client's queue settings, read whenever the queue asks.
//
// Each send holds the one HTTP client of the set-up, which must not be null.
class QueueEndpoints {
public:
    static QueueEndpoint<ZeraZovEvent> events(std::shared_ptr<const ZeraZovApi> api);
    static QueueEndpoint<ZeraZovEvent> snapshots(std::shared_ptr<const ZeraZovApi> api);

    // 408, 429, 500, 502, 503, 504 and every redirect status (300 to 399).
    static bool isRetriableStatusCode(int statusCode);
    // The event's JSON object as text; nothing when it cannot be written.
    static std::optional<std::string> encode(const ZeraZovEvent& event);
    // Nothing for bytes that are not a JSON object or not an event.
    static std::optional<ZeraZovEvent> decode(const std::string& bytes);
};

}  // namespace zerazov
