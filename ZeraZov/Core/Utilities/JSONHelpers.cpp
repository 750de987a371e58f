#include "ZeraZov/Core/Utilities/JSONHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "ZeraZov/Core/Utilities/UnicodeText.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at `at`, or 0 when it is not one
// (stray continuation bytes, overlong forms, surrogates, beyond U+10FFFF).
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // bounds of the byte after the lead
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(static_cast<unsigned char>(text[at + i]))) return 0;
    }
    return length;
}

// A key that is not UTF-8 still gets named in the log, its bad bytes as '?'.
std::string printable(std::string_view text) {
    std::string result;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0) {
            result.push_back('?');
            ++at;
            continue;
        }
        result.append(text.substr(at, length));
        at += length;
    }
    return result;
}

bool isValidScalar(const json& value) {
    switch (value.type()) {
    case json::value_t::string: return isValidUTF8(value.get_ref<const json::string_t&>());
    case json::value_t::number_float: return std::isfinite(value.get<double>());
    case json::value_t::binary:
    case json::value_t::discarded: return false;
    default: return true;
    }
}

// Most text is ASCII: eight bytes without a high bit go at once.
std::size_t asciiRunLength(std::string_view text, std::size_t at) {
    constexpr std::uint64_t highBits = 0x8080808080808080ULL;
    std::size_t length = 0;
    std::uint64_t word = 0;
    while (text.size() - at - length >= sizeof word) {
        std::memcpy(&word, text.data() + at + length, sizeof word);
        if (word & highBits) break;
        length += sizeof word;
    }
    return length;
}

}  // namespace

bool isValidUTF8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        at += asciiRunLength(text, at);
        if (at == text.size()) break;
        const std::size_t length = sequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

bool isValidJSONValue(const json& value, std::size_t maxDepth) {
    // The usual property is a single value, which needs no list of what is left.
    if (!value.is_structured()) return isValidScalar(value);
    // Walked with a list instead of recursion: a property read from a server or a
    // file may nest deeper than the stack allows.
    std::vector<std::pair<const json*, std::size_t>> pending{{&value, 0}};
    while (!pending.empty()) {
        const auto [current, depth] = pending.back();
        pending.pop_back();
        if (current->is_structured() && depth + 1 > maxDepth) return false;
        if (current->is_object()) {
            for (const auto& [key, member] : current->items()) {
                if (!isValidUTF8(key)) return false;
                pending.emplace_back(&member, depth + 1);
            }
        } else if (current->is_array()) {
            for (const auto& element : *current) pending.emplace_back(&element, depth + 1);
        } else if (!isValidScalar(*current)) {
            return false;
        }
    }
    return true;
}

// Builds a new object rather than erasing from a copy: copying a value recurses
// once per level, so one nested too deep must be left behind before anything copies it.
std::optional<json> sanitizeOptionalDictionary(const std::optional<json>& properties) {
    return properties ? sanitizeDictionary(*properties) : std::nullopt;
}

void putValidText(json& object, const char* key, const std::optional<std::string>& value) {
    if (value) object[key] = validUTF8(*value);
}

std::optional<json> sanitizeDictionary(const json& properties, std::size_t maxDepth) {
    if (!properties.is_object() || properties.empty()) return std::nullopt;
    json result = json::object();
    for (const auto& [key, value] : properties.items()) {
        if (isValidUTF8(key) && isValidJSONValue(value, maxDepth)) {
            result[key] = value;
            continue;
        }
        ZeraZovDebugLog::write("property: " + printable(key) + " isn't serializable, dropping the item");
    }
    return result;
}

bool isSanitizedDictionary(const json& properties, std::size_t maxDepth) {
    if (!properties.is_object()) return false;
    const auto members = properties.items();
    return std::all_of(members.begin(), members.end(), [maxDepth](const auto& member) {
        return isValidUTF8(member.key()) && isValidJSONValue(member.value(), maxDepth);
    });
}

// Events reach the queue already sanitised, so the usual dictionary is written
// as it is: checking it walks it once, where a sanitised copy would copy it all.
std::optional<std::string> toJSONData(const json& dictionary, int indent) {
    if (!dictionary.is_object() || dictionary.empty()) return std::nullopt;
    // The dictionary itself is the outermost level of the text.
    constexpr std::size_t memberDepth = platform::BoundedJSON::maxDepth - 1;
    std::optional<json> sanitized;
    if (!isSanitizedDictionary(dictionary, memberDepth)) sanitized = sanitizeDictionary(dictionary, memberDepth);
    try {
        return (sanitized ? *sanitized : dictionary).dump(indent);
    } catch (const json::exception& error) {
        ZeraZovDebugLog::write(std::string("Failed to serialize dictionary to JSON: ") + error.what());
        return std::nullopt;
    }
}

std::optional<json> jsonObject(std::string_view bytes) {
    auto parsed = platform::BoundedJSON::parse(bytes);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    return std::move(*parsed);
}

nlohmann::json merged(const nlohmann::json& base, const nlohmann::json& overlay) {
    nlohmann::json result = base.is_object() ? base : nlohmann::json::object();
    for (const auto& [key, value] : overlay.items()) result[key] = value;
    return result;
}

}  // namespace zerazov
