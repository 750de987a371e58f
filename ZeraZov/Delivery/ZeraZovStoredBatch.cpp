#include "ZeraZov/Delivery/ZeraZovStoredBatch.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/UUID.h"
#include "ZeraZov/Core/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Delivery/QueueEndpoints.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

enum Member : unsigned { event = 1, distinctId = 2, properties = 4, timestamp = 8, uuid = 16, apiKey = 32 };
constexpr unsigned requiredMembers = event | distinctId | properties | timestamp | uuid;

Member memberNamed(std::string_view key) {
    if (key == "event") return event;
    if (key == "distinct_id") return distinctId;
    if (key == "properties") return properties;
    if (key == "timestamp") return timestamp;
    if (key == "uuid") return uuid;
    if (key == "api_key") return apiKey;
    return Member{0};
}

bool isWrittenDate(const std::string& text) {
    const auto& formatter = ZeraZovAPIDateFormatter::shared();
    const auto date = formatter.date(text);
    return date && formatter.string(*date) == text;
}

bool isWrittenId(const std::string& text) {
    const auto id = UUID::fromString(text);
    return id && id->uuidString() == text;
}

// Walks the text once without building it: the parser checks that it is one
// complete JSON value with valid UTF-8; this checks the members at the top.
// Any doubt answers false, and the record then takes the decoding road.
class WrittenFormCheck final : public json::json_sax_t {
public:
    bool complete() const { return (seen_ & requiredMembers) == requiredMembers; }

    bool null() override { return insideProperties(); }
    bool boolean(bool) override { return insideProperties(); }
    bool number_integer(number_integer_t) override { return insideProperties(); }
    bool number_unsigned(number_unsigned_t) override { return insideProperties(); }
    // A number past a double's range reads as infinity, which a re-encoding
    // would not carry over as it stands.
    bool number_float(number_float_t number, const string_t&) override {
        return insideProperties() && std::isfinite(number);
    }
    bool binary(binary_t&) override { return false; }
    bool string(string_t& text) override {
        if (insideProperties()) return true;
        if (depth_ == 0) return false;
        if (current_ == timestamp) return isWrittenDate(text);
        if (current_ == uuid) return isWrittenId(text);
        return current_ != properties;
    }
    bool start_object(std::size_t) override { return open(depth_ == 0 || current_ == properties); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool key(string_t& name) override {
        if (insideProperties()) return true;
        current_ = memberNamed(name);
        // Unknown and repeated members are left to the decoder, which knows what to keep.
        if (current_ == 0 || (seen_ & current_) != 0) return false;
        seen_ |= current_;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    // Depth 1 is the event object itself; anything deeper lies in its properties.
    bool insideProperties() const { return depth_ > 1; }
    bool open(bool fitsHere) {
        const bool fits = insideProperties() || fitsHere;
        ++depth_;
        return fits;
    }
    bool close() {
        --depth_;
        return true;
    }

    std::size_t depth_ = 0;  // containers open
    Member current_ = Member{0};  // the event member whose value comes next
    unsigned seen_ = 0;
};

std::optional<std::string> reencoded(const std::string& stored) {
    const auto decoded = QueueEndpoints::decode(stored);
    if (!decoded) return std::nullopt;
    return QueueEndpoints::encode(*decoded);
}

}  // namespace

bool ZeraZovStoredBatch::isWrittenForm(std::string_view text) {
    WrittenFormCheck check;
    return json::sax_parse(text, &check) && check.complete();
}

std::optional<std::string> ZeraZovStoredBatch::eventText(std::string stored) {
    if (isWrittenForm(stored)) return stored;
    try {
        return reencoded(stored);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> ZeraZovStoredBatch::body(std::string_view apiKey, const std::vector<std::string>& eventTexts,
                                                    std::string_view sentAt) {
    std::string key;
    try {
        key = json(apiKey).dump();
    } catch (const json::exception&) {
        return std::nullopt;
    }
    std::size_t length = key.size() + sentAt.size() + 48;
    for (const auto& text : eventTexts) length += text.size() + 1;
    std::string body;
    body.reserve(length);
    // The members in the order a JSON writer with sorted keys puts them.
    body.append("{\"api_key\":").append(key).append(",\"batch\":[");
    for (std::size_t i = 0; i < eventTexts.size(); ++i) {
        if (i > 0) body.push_back(',');
        body.append(eventTexts[i]);
    }
    // The date text is ours: digits, '-', ':', '.', 'T' and 'Z' only.
    body.append("],\"sent_at\":\"").append(sentAt).append("\"}");
    return body;
}

}  // namespace zerazov
