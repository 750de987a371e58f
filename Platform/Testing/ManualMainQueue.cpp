#include "Platform/Testing/ManualMainQueue.h"

#include <algorithm>

namespace platform {

class ManualMainQueue::Timer : public RepeatingTimer {
public:
    Timer(double interval, std::function<void(RepeatingTimer&)> tick)
        : interval(interval), tick(std::move(tick)) {}
    void invalidate() override { valid = false; }
    bool isValid() const override { return valid; }

    double interval;
    std::function<void(RepeatingTimer&)> tick;
    bool valid = true;
};

ManualMainQueue::ManualMainQueue() : mainThread_(std::this_thread::get_id()) {}

void ManualMainQueue::async(std::function<void()> work) {
    jobs_.push_back({now_, nextOrder_++, std::move(work)});
}

void ManualMainQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
    jobs_.push_back({now_ + std::max(0.0, seconds), nextOrder_++, [item] { item->perform(); }});
}

std::shared_ptr<RepeatingTimer> ManualMainQueue::scheduleRepeating(double intervalSeconds,
                                                                   std::function<void(RepeatingTimer&)> tick) {
    auto timer = std::make_shared<Timer>(intervalSeconds, std::move(tick));
    scheduleTick(timer);
    return timer;
}

void ManualMainQueue::scheduleTick(const std::shared_ptr<Timer>& timer) {
    jobs_.push_back({now_ + timer->interval, nextOrder_++, [this, timer] {
                         if (!timer->valid) return;
                         timer->tick(*timer);
                         if (timer->valid) scheduleTick(timer);
                     }});
}

bool ManualMainQueue::isMainThread() const { return std::this_thread::get_id() == mainThread_; }

bool ManualMainQueue::runNextDueBy(double time) {
    auto next = std::min_element(jobs_.begin(), jobs_.end(), [](const Job& a, const Job& b) {
        return a.due != b.due ? a.due < b.due : a.order < b.order;
    });
    if (next == jobs_.end() || next->due > time) return false;
    Job job = std::move(*next);
    jobs_.erase(next);
    now_ = std::max(now_, job.due);
    job.run();
    return true;
}

void ManualMainQueue::drain() {
    while (runNextDueBy(now_)) {
    }
}

void ManualMainQueue::advance(double seconds) {
    // A small tolerance so that ten steps of 0.1 s reach a job due at 1.0 s.
    const double target = now_ + seconds + 1e-9;
    while (runNextDueBy(target)) {
    }
    now_ = std::max(now_, target - 1e-9);
}

std::size_t ManualMainQueue::pendingCount() const { return jobs_.size(); }

}  // namespace platform
