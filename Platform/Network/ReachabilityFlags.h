#pragma once
#include <cstdint>

namespace platform {

// The reachability flag bits the analytics client reasons about. A backend sets the
// ones its system can tell; on Linux that is `reachable` alone.
struct ReachabilityFlags {
    static constexpr std::uint32_t transientConnection = 0x1;
    static constexpr std::uint32_t reachable = 0x2;
    static constexpr std::uint32_t connectionRequired = 0x4;
    static constexpr std::uint32_t connectionOnTraffic = 0x8;
    static constexpr std::uint32_t interventionRequired = 0x10;
    static constexpr std::uint32_t connectionOnDemand = 0x20;
    static constexpr std::uint32_t isLocalAddress = 0x10000;
    static constexpr std::uint32_t isDirect = 0x20000;
};

}  // namespace platform
