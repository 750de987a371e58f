#pragma once
#include <optional>

namespace zerazov {

// The case of an enumeration whose raw values run from 0 to Count - 1; nothing for
// any other number.
template <typename Enum, int Count>
constexpr std::optional<Enum> enumFromRawValue(int rawValue) {
    if (rawValue < 0 || rawValue >= Count) return std::nullopt;
    return static_cast<Enum>(rawValue);
}

}  // namespace zerazov
