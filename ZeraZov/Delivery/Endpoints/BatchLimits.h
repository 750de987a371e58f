#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace zerazov {

// How many records one upload carries (`cap`) and how deep the queue may grow
// before an add starts a flush (`flushAt`). Both stay at least 1 and only ever go
// down: a server that refused a batch as too large will not take a bigger one later.
struct BatchLimits {
    std::int64_t cap = 1;
    std::int64_t flushAt = 1;

    // Configured values below 1 would stall the queue, so they start as 1.
    static BatchLimits initial(std::int64_t cap, std::int64_t flushAt) {
        return {std::max<std::int64_t>(1, cap), std::max<std::int64_t>(1, flushAt)};
    }

    // After a batch of `batchSize` records was refused as too large: half of what
    // was actually sent, so a short batch does not leave the cap too high.
    BatchLimits halvedFor(std::size_t batchSize) const {
        const auto sent = std::min(static_cast<std::int64_t>(batchSize), cap);
        const auto newCap = std::max<std::int64_t>(1, sent / 2);
        return {newCap, std::max<std::int64_t>(1, std::min(newCap, flushAt / 2))};
    }

    bool operator==(const BatchLimits&) const = default;
};

}  // namespace zerazov
