#pragma once
#include <cstdint>
#include <optional>

namespace zerazov {

// Which networks uploads may use.
enum class ZeraZovDataMode : std::int64_t {
    wifi = 0,      // uploads wait while the network is not reachable over Wi-Fi
    cellular = 1,  // no special handling
    any = 2,       // no restriction
};

// Raw values other than 0, 1 and 2 name no mode.
constexpr std::optional<ZeraZovDataMode> dataModeFromRawValue(std::int64_t raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<ZeraZovDataMode>(raw);
}

}  // namespace zerazov
