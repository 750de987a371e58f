#include "ZeraZov/Client/Private/ZeraZovUploadTracker.h"

namespace zerazov {

void ZeraZovUploadTracker::began() {
    std::lock_guard guard(lock_);
    ++inFlight_;
}

void ZeraZovUploadTracker::ended() {
    {
        std::lock_guard guard(lock_);
        if (inFlight_ > 0) --inFlight_;
        if (inFlight_ > 0) return;
    }
    idle_.notify_all();
}

bool ZeraZovUploadTracker::waitUntilIdle(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(lock_);
    return idle_.wait_until(lock, deadline, [this] { return inFlight_ == 0; });
}

std::size_t ZeraZovUploadTracker::inFlight() const {
    std::lock_guard guard(lock_);
    return inFlight_;
}

}  // namespace zerazov
