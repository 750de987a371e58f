#pragma once
#include <functional>
#include <mutex>

#include "Platform/Foundation/MainQueue.h"

namespace zerazov {

// Hands jobs to a main queue until it is stopped. An answer that arrives while
// its client closes must not reach a main queue that may be going away, so the
// stop and each hand-over take the same lock: once stop() returned, no job is
// handed over any more.
class MainQueueNotifier {
public:
    // The queue must stay alive until stop() returned.
    explicit MainQueueNotifier(platform::MainQueue& mainQueue) : mainQueue_(mainQueue) {}
    MainQueueNotifier(const MainQueueNotifier&) = delete;
    MainQueueNotifier& operator=(const MainQueueNotifier&) = delete;

    // Queues the job unless stopped; a job queued runs even if stop() follows.
    void async(std::function<void()> job) {
        std::lock_guard guard(lock_);
        if (stopped_) return;
        mainQueue_.async(std::move(job));
    }

    void stop() {
        std::lock_guard guard(lock_);
        stopped_ = true;
    }

private:
    platform::MainQueue& mainQueue_;
    std::mutex lock_;  // guards stopped_ and each hand-over
    bool stopped_ = false;
};

}  // namespace zerazov
