#pragma once
#include <cstddef>
#include <memory>

#include "ZeraZov/Delivery/Api/GzipDeflater.h"

namespace zerazov {

// Deflate states kept between bodies for whoever compresses next, on any thread:
// building one costs more than compressing a typical batch body (see GzipDeflater).
// A few are kept: as many as bodies were compressed at once, up to maxIdle.
class GzipDeflaterPool {
public:
    static constexpr std::size_t maxIdle = 4;

    struct GiveBack {
        void operator()(GzipDeflater* deflater) const;
    };
    // A deflater for one caller; it goes back to the pool when the lease ends.
    using Lease = std::unique_ptr<GzipDeflater, GiveBack>;

    // An idle deflater, or a new one.
    static Lease take();
    // How many wait in the pool now.
    static std::size_t idleCount();
};

}  // namespace zerazov
