#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPAnyValue.h"

#include <utf8proc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

std::optional<json> anyValue(const json& value, int depth);

bool isASCII(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The text in canonical composition (NFC); nothing when the library refuses it.
std::optional<std::string> canonicallyComposed(std::string_view text) {
    utf8proc_uint8_t* composed = nullptr;
    const auto length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), static_cast<utf8proc_ssize_t>(text.size()),
                     &composed, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    if (length < 0) return std::nullopt;
    std::string result(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length));
    std::free(composed);
    return result;
}

struct Entry {
    std::string key;      // as written: the caller's key, made valid UTF-8
    std::string sortKey;  // its canonical composition, whose UTF-8 bytes sort as its scalars do
    const json* value = nullptr;
};

// Keys the same after composition are told apart by their own bytes, so the
// order never depends on how the map happened to hold them.
bool precedes(const Entry& left, const Entry& right) {
    if (left.sortKey != right.sortKey) return left.sortKey < right.sortKey;
    return left.key < right.key;
}

std::vector<Entry> sortedEntries(const json& map) {
    std::vector<Entry> entries;
    entries.reserve(map.size());
    for (const auto& [key, member] : map.items()) {
        Entry entry{validUTF8(key), {}, &member};
        // ASCII is its own composition, and the usual key is nothing else.
        auto composed = isASCII(entry.key) ? std::nullopt : canonicallyComposed(entry.key);
        entry.sortKey = composed ? std::move(*composed) : entry.key;
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), precedes);
    return entries;
}

json keyValueList(const json& map, int depth) {
    json list = json::array();
    if (!map.is_object()) return list;
    for (auto& entry : sortedEntries(map)) {
        auto encoded = anyValue(*entry.value, depth);
        if (!encoded) continue;
        list.push_back({{"key", std::move(entry.key)}, {"value", std::move(*encoded)}});
    }
    return list;
}

json arrayValues(const json& array, int depth) {
    json values = json::array();
    for (const auto& element : array) {
        auto encoded = anyValue(element, depth);
        if (encoded) values.push_back(std::move(*encoded));
    }
    return values;
}

std::optional<json> collectionValue(const json& collection, int depth) {
    if (depth >= otlpMaxNesting) return std::nullopt;
    if (collection.is_array()) return json{{"arrayValue", {{"values", arrayValues(collection, depth + 1)}}}};
    return json{{"kvlistValue", {{"values", keyValueList(collection, depth + 1)}}}};
}

json intValue(std::string decimal) { return {{"intValue", std::move(decimal)}}; }

std::optional<json> anyValue(const json& value, int depth) {
    switch (value.type()) {
    case json::value_t::null:
    case json::value_t::discarded: return std::nullopt;
    case json::value_t::string: return json{{"stringValue", validUTF8(value.get_ref<const json::string_t&>())}};
    case json::value_t::boolean: return json{{"boolValue", value.get<bool>()}};
    case json::value_t::number_integer: return intValue(std::to_string(value.get<std::int64_t>()));
    // Above the signed range the value is still written as the number it is.
    case json::value_t::number_unsigned: return intValue(std::to_string(value.get<std::uint64_t>()));
    case json::value_t::number_float: return otlpDoubleValue(value.get<double>());
    case json::value_t::array:
    case json::value_t::object: return collectionValue(value, depth);
    case json::value_t::binary: break;
    }
    // Bytes have no OTLP form here; their JSON description keeps them readable.
    return json{{"stringValue", value.dump()}};
}

}  // namespace

std::optional<json> otlpAnyValue(const json& value) noexcept { return anyValue(value, 0); }

json otlpDoubleValue(double value) noexcept {
    if (std::isnan(value)) return {{"stringValue", "NaN"}};
    if (std::isinf(value)) return {{"stringValue", value > 0 ? "Infinity" : "-Infinity"}};
    return {{"doubleValue", value}};
}

json otlpAttributes(const json& map) noexcept { return keyValueList(map, 0); }

}  // namespace zerazov
