#include "ZeraZov/Client/Private/ZeraZovUploadTracker.h"

#include <utility>

namespace zerazov {

void ZeraZovUploadTracker::startCounted(const std::weak_ptr<ZeraZovUploadTracker>& weak, const Start& start,
                                        Completion completion) {
    auto self = weak.lock();
    if (!self) return start(std::move(completion));
    self->began();
    try {
        start([self, completion = std::move(completion)](ZeraZovUploadInfo info) {
            if (completion) completion(std::move(info));
            self->ended();
        });
    } catch (...) {
        // The queue counts an upload that could not start as one without an answer.
        self->ended();
        throw;
    }
}

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
