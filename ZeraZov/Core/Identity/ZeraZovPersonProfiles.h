#pragma once
#include <cstdint>
#include <optional>

namespace zerazov {

// When captured events ask the server to process the person behind them.
enum class ZeraZovPersonProfiles : std::int64_t {
    never = 0,
    always = 1,
    identifiedOnly = 2,
};

constexpr std::optional<ZeraZovPersonProfiles> personProfilesFromRawValue(std::int64_t raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<ZeraZovPersonProfiles>(raw);
}

}  // namespace zerazov
