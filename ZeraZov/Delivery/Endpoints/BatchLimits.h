#pragma once
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
    static BatchLimits initial(std::int64_t cap, std::int64_t flushAt);

    // After a batch of `batchSize` records was refused as too large: half of what
    // was actually sent, so a short batch does not leave the cap too high.
    BatchLimits halvedFor(std::size_t batchSize) const;

    bool operator==(const BatchLimits&) const = default;
};

}  // namespace zerazov
