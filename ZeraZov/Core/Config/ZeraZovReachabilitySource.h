#pragma once
#include <cstdint>
#include <optional>

namespace zerazov {

// What the event context reads of the client's network monitor.
class ZeraZovReachabilitySource {
public:
    // The monitor's flag bits.
    static constexpr std::uint32_t reachable = 0x2;
    static constexpr std::uint32_t connectionRequired = 0x4;
    static constexpr std::uint32_t connectionOnTraffic = 0x8;
    static constexpr std::uint32_t interventionRequired = 0x10;
    static constexpr std::uint32_t connectionOnDemand = 0x20;

    virtual ~ZeraZovReachabilitySource() = default;

    // The last flags read; when none were read yet, the monitor reads them first,
    // synchronously on its own queue (so never call this from that queue). Nothing
    // when they still cannot be read.
    virtual std::optional<std::uint32_t> reachabilityFlags() = 0;

    // Reachable, and either no connection has to be set up first or one comes up by
    // itself without the user stepping in.
    static constexpr bool isUsable(std::optional<std::uint32_t> flags) {
        if (!flags || (*flags & reachable) == 0) return false;
        const bool automatic = (*flags & (connectionOnTraffic | connectionOnDemand)) != 0;
        if (automatic && (*flags & interventionRequired) == 0) return true;
        return (*flags & connectionRequired) == 0;
    }
};

}  // namespace zerazov
