#include "ZeraZov/Delivery/Api/GzipDeflaterPool.h"

#include <mutex>
#include <utility>
#include <vector>

namespace zerazov {
namespace {

struct Shelf {
    std::mutex lock;  // guards idle
    std::vector<std::unique_ptr<GzipDeflater>> idle;
};

// Never destroyed: a lease may end while the process exits, after the statics.
Shelf& shelf() {
    static auto* const made = new Shelf;
    return *made;
}

}  // namespace

void GzipDeflaterPool::GiveBack::operator()(GzipDeflater* deflater) const {
    std::unique_ptr<GzipDeflater> returned(deflater);
    auto& pool = shelf();
    std::lock_guard guard(pool.lock);
    if (pool.idle.size() < maxIdle) pool.idle.push_back(std::move(returned));
}

GzipDeflaterPool::Lease GzipDeflaterPool::take() {
    auto& pool = shelf();
    {
        std::lock_guard guard(pool.lock);
        if (!pool.idle.empty()) {
            Lease lease(pool.idle.back().release());
            pool.idle.pop_back();
            return lease;
        }
    }
    return Lease(new GzipDeflater);
}

std::size_t GzipDeflaterPool::idleCount() {
    auto& pool = shelf();
    std::lock_guard guard(pool.lock);
    return pool.idle.size();
}

// The one-shot form takes its state from the pool as well.
Gzip::Result Gzip::gzipped(std::string_view input, CompressionLevel level, int windowBits) {
    if (input.empty()) return std::string();
    return GzipDeflaterPool::take()->gzipped(input, level, windowBits);
}

}  // namespace zerazov
