#include "Platform/Testing/ManualMainQueue.h"

#include <algorithm>

namespace platform {

class ManualMainQueue::Timer : public RepeatingTimer {
public:
    Timer(double every, std::function<void(RepeatingTimer&)> body) : interval(every), tick(std::move(body)) {}
    void invalidate() override { valid = false; }
    bool isValid() const override { return valid; }

    double interval;
    std::function<void(RepeatingTimer&)> tick;
    bool valid = true;
};

ManualMainQueue::ManualMainQueue() : mainThread_(std::this_thread::get_id()) {}

void ManualMainQueue::enqueue(double delay, std::function<void()> run) {
    std::lock_guard lock(mutex_);
    jobs_.push_back({now_ + std::max(0.0, delay), nextOrder_++, std::move(run)});
}

void ManualMainQueue::async(std::function<void()> work) { enqueue(0, std::move(work)); }

void ManualMainQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
    enqueue(seconds, [item] { item->perform(); });
}

std::shared_ptr<RepeatingTimer> ManualMainQueue::scheduleRepeating(double intervalSeconds,
                                                                   std::function<void(RepeatingTimer&)> tick) {
    // A timer that never advances the clock would keep drain() busy for ever.
    auto timer = std::make_shared<Timer>(std::max(intervalSeconds, kMinimumInterval), std::move(tick));
    scheduleTick(timer);
    return timer;
}

void ManualMainQueue::scheduleTick(const std::shared_ptr<Timer>& timer) {
    enqueue(timer->interval, [this, timer] {
        if (!timer->valid) return;
        timer->tick(*timer);
        if (timer->valid) scheduleTick(timer);
    });
}

bool ManualMainQueue::isMainThread() const { return std::this_thread::get_id() == mainThread_; }

bool ManualMainQueue::runNextDueBy(double time) {
    Job job;
    {
        std::lock_guard lock(mutex_);
        auto next = std::min_element(jobs_.begin(), jobs_.end(), [](const Job& a, const Job& b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == jobs_.end() || next->due > time) return false;
        job = std::move(*next);
        jobs_.erase(next);
        now_ = std::max(now_, job.due);
    }
    // Outside the lock: the job may queue more work.
    job.run();
    return true;
}

void ManualMainQueue::drain() {
    while (runNextDueBy(now())) {}
}

void ManualMainQueue::advance(double seconds) {
    // A small tolerance so that ten steps of 0.1 s reach a job due at 1.0 s.
    const double target = now() + seconds + 1e-9;
    while (runNextDueBy(target)) {}
    std::lock_guard lock(mutex_);
    now_ = std::max(now_, target - 1e-9);
}

double ManualMainQueue::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

std::size_t ManualMainQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

}  // namespace platform
