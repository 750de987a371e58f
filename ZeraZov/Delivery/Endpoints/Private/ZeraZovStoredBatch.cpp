#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Delivery/Endpoints/Private/JSONTextScanner.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

enum Member : unsigned { event = 1, distinctId = 2, properties = 4, timestamp = 8, uuid = 16, apiKey = 32 };
constexpr unsigned requiredMembers = event | distinctId | properties | timestamp | uuid;
// "2024-05-01T12:00:00.123Z"
constexpr std::size_t writtenDateLength = 24;

Member memberNamed(std::string_view key) {
    if (key == "event") return event;
    if (key == "distinct_id") return distinctId;
    if (key == "properties") return properties;
    if (key == "timestamp") return timestamp;
    if (key == "uuid") return uuid;
    if (key == "api_key") return apiKey;
    return Member{0};
}

// The written form is the only one of its length that reads as a date, and every
// field of it has a fixed width: a date read from it writes the same text again.
bool isWrittenDate(const std::string& text) {
    return text.size() == writtenDateLength && ZeraZovAPIDateFormatter::shared().date(text).has_value();
}

// An id reads from either case but is written in upper case.
bool isWrittenId(const std::string& text) {
    return UUID::fromString(text).has_value() && std::none_of(text.begin(), text.end(), [](char c) {
               return c >= 'a' && c <= 'f';
           });
}

// The value of one member of the event object, as the client writes it.
bool memberValueFits(JSONTextScanner& scanner, Member member) {
    if (member == properties) return scanner.next() == '{' && scanner.skipValue();
    if (member != timestamp && member != uuid) return scanner.readString(nullptr);
    std::string text;
    if (!scanner.readString(&text)) return false;
    return member == timestamp ? isWrittenDate(text) : isWrittenId(text);
}

std::optional<std::string> reencoded(const std::string& stored) {
    const auto decoded = QueueEndpoints::decode(stored);
    if (!decoded) return std::nullopt;
    return QueueEndpoints::encode(*decoded);
}

}  // namespace

// One pass over the text without building it. Any doubt answers false, and the
// record then takes the decoding road.
bool ZeraZovStoredBatch::isWrittenForm(std::string_view text) {
    // The client writes nothing that deep, and no reader takes it.
    if (platform::BoundedJSON::nestsDeeperThan(text)) return false;
    JSONTextScanner scanner(text);
    if (!scanner.take('{')) return false;
    unsigned seen = 0;
    std::string name;
    do {
        if (!scanner.readString(&name) || !scanner.take(':')) return false;
        const auto member = memberNamed(name);
        // Unknown and repeated members are left to the decoder, which knows what to keep.
        if (member == 0 || (seen & member) != 0) return false;
        seen |= member;
        if (!memberValueFits(scanner, member)) return false;
    } while (scanner.take(','));
    return scanner.take('}') && scanner.atEnd() && (seen & requiredMembers) == requiredMembers;
}

std::optional<std::string> ZeraZovStoredBatch::eventText(std::string stored) {
    if (isWrittenForm(stored)) return stored;
    try {
        return reencoded(stored);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> ZeraZovStoredBatch::head(std::string_view apiKey,
                                                    const std::vector<std::string>& eventTexts) {
    std::string key;
    try {
        key = json(apiKey).dump();
    } catch (const json::exception&) {
        return std::nullopt;
    }
    std::size_t length = key.size() + 32;
    for (const auto& text : eventTexts) length += text.size() + 1;
    std::string head;
    head.reserve(length);
    // The members in the order a JSON writer with sorted keys puts them.
    head.append("{\"api_key\":").append(key).append(",\"batch\":[");
    for (std::size_t i = 0; i < eventTexts.size(); ++i) {
        if (i > 0) head.push_back(',');
        head.append(eventTexts[i]);
    }
    return head;
}

std::string ZeraZovStoredBatch::tail(std::string_view sentAt) {
    // The date text is ours: digits, '-', ':', '.', 'T' and 'Z' only.
    return "],\"sent_at\":\"" + std::string(sentAt) + "\"}";
}

}  // namespace zerazov
