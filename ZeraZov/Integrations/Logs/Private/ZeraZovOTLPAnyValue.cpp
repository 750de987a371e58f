#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPAnyValue.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

std::optional<json> anyValue(const json& value, int depth);

json keyValueList(const json& map, int depth) {
    json list = json::array();
    if (!map.is_object()) return list;
    // The object type keeps its keys in byte order, which is the order the list needs.
    for (const auto& [key, member] : map.items()) {
        auto encoded = anyValue(member, depth);
        if (!encoded) continue;
        list.push_back({{"key", validUTF8(key)}, {"value", std::move(*encoded)}});
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
        case json::value_t::discarded:
            return std::nullopt;
        case json::value_t::string:
            return json{{"stringValue", validUTF8(value.get_ref<const json::string_t&>())}};
        case json::value_t::boolean:
            return json{{"boolValue", value.get<bool>()}};
        case json::value_t::number_integer:
            return intValue(std::to_string(value.get<std::int64_t>()));
        // Above the signed range the value is still written as the number it is.
        case json::value_t::number_unsigned:
            return intValue(std::to_string(value.get<std::uint64_t>()));
        case json::value_t::number_float:
            return otlpDoubleValue(value.get<double>());
        case json::value_t::array:
        case json::value_t::object:
            return collectionValue(value, depth);
        case json::value_t::binary:
            break;
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
