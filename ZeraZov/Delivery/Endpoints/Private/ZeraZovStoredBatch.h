#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zerazov {

// Batch upload bodies put together from stored events as they lie in the queue's
// files, without building each event and writing it out again: a record the
// client stored itself is already the JSON text the upload carries.
class ZeraZovStoredBatch {
public:
    // The JSON text to upload for one stored event: the stored bytes themselves
    // when they are one valid JSON object in the form the client writes (exactly
    // the members "event", "distinct_id", "properties", "timestamp", "uuid" and
    // optionally "api_key", with the written date and id forms, nesting no deeper
    // than BoundedJSON allows, and nothing before the object but white space, as
    // the bytes go into the body); otherwise the
    // event decoded and encoded again, as any older or foreign record is; nothing
    // when it does not decode into an event at all.
    static std::optional<std::string> eventText(std::string stored);

    // True when `text` is exactly in the form eventText() passes on unchanged.
    static bool isWrittenForm(std::string_view text);

    // The batch body {"api_key":..., "batch":[...], "sent_at":...} around the event
    // texts, each of which must be a JSON object as eventText() answers it, is
    // head() followed by tail(): the time of sending is known last. The head is
    // nothing when the token cannot be written as JSON.
    static std::optional<std::string> head(std::string_view apiKey, const std::vector<std::string>& eventTexts);
    static std::string tail(std::string_view sentAt);
};

}  // namespace zerazov
