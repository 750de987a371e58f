#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Identity/UUID.h"
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
    return UUID::fromString(text).has_value() &&
           std::none_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'f'; });
}

// Hears the library's reading of one stored record and refuses it at the first
// sign that it is not the written form: the top level is one object of known
// members, each once, "properties" an object of anything, every other member a
// string, the time and the id in the forms the client writes them.
class WrittenFormCheck final : public nlohmann::json_sax<json> {
public:
    bool hasEveryMember() const { return (seen_ & requiredMembers) == requiredMembers; }

    bool null() override { return insideProperties(); }
    bool boolean(bool) override { return insideProperties(); }
    bool number_integer(number_integer_t) override { return insideProperties(); }
    bool number_unsigned(number_unsigned_t) override { return insideProperties(); }
    bool number_float(number_float_t, const string_t&) override { return insideProperties(); }
    bool binary(binary_t&) override { return false; }
    bool string(string_t& text) override { return insideProperties() || memberTextFits(text); }
    bool key(string_t& name) override { return insideProperties() || takeMember(name); }
    bool start_object(std::size_t) override { return ++depth_ != 2 || current_ == properties; }
    // Only the properties hold lists.
    bool start_array(std::size_t) override { return ++depth_ > 2; }
    bool end_object() override { return leave(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const json::exception&) override { return false; }

private:
    bool insideProperties() const { return depth_ > 1; }
    bool leave() {
        --depth_;
        return true;
    }
    // Unknown and repeated members are left to the decoder, which knows what to keep.
    bool takeMember(const std::string& name) {
        current_ = memberNamed(name);
        if (current_ == 0 || (seen_ & current_) != 0) return false;
        seen_ |= current_;
        return true;
    }
    bool memberTextFits(const std::string& text) const {
        if (depth_ == 0) return false;  // a string alone
        if (current_ == properties) return false;
        if (current_ == timestamp) return isWrittenDate(text);
        return current_ != uuid || isWrittenId(text);
    }

    std::size_t depth_ = 0;
    unsigned seen_ = 0;
    Member current_ = Member{0};  // the member whose name was read last at the top
};

std::optional<std::string> reencoded(const std::string& stored) {
    const auto decoded = QueueEndpoints::decode(stored);
    if (!decoded) return std::nullopt;
    return QueueEndpoints::encode(*decoded);
}

}  // namespace

// One reading of the text without building it. Any doubt answers false, and the
// record then takes the decoding road.
bool ZeraZovStoredBatch::isWrittenForm(std::string_view text) {
    // The library passes over a byte-order mark at the start, but the bytes go
    // into a batch body as they are, inside other JSON text, where no such mark
    // belongs.
    if (text.starts_with("\xEF\xBB\xBF")) return false;
    WrittenFormCheck check;
    return platform::BoundedJSON::read(text, check) && check.hasEveryMember();
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
