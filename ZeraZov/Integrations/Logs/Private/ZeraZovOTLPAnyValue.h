#pragma once
#include <optional>

#include <nlohmann/json_fwd.hpp>

namespace zerazov {

// OTLP/JSON values: one object with exactly one of "stringValue", "boolValue",
// "intValue" (decimal text), "doubleValue", "arrayValue" or "kvlistValue".
// Every text written is valid UTF-8, so the tree always serialises.

// Nothing for null (the caller leaves the element or entry out) and for
// collections nested deeper than otlpMaxNesting, which a collector would refuse
// and a recursive walk could not survive.
std::optional<nlohmann::json> otlpAnyValue(const nlohmann::json& value) noexcept;

// A finite value as "doubleValue"; NaN and the infinities as the texts "NaN",
// "Infinity" and "-Infinity".
nlohmann::json otlpDoubleValue(double value) noexcept;

// A KeyValue list: [{"key": ..., "value": AnyValue}] without entries that encode to
// nothing, ordered by the keys' Unicode scalar values after canonical composition
// (NFC), so "e" + U+0301 sorts as "é", after "f". Keys alike after composition
// stay apart, ordered by their own bytes. Keys are written as given (made valid
// UTF-8), not composed. Anything but an object gives an empty list.
nlohmann::json otlpAttributes(const nlohmann::json& map) noexcept;

inline constexpr int otlpMaxNesting = 64;

}  // namespace zerazov
