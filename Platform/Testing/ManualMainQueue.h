#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/Foundation/MainQueue.h"

namespace platform {

// A main queue for tests: nothing runs until the test drains it or advances the
// virtual clock, so a 0.3 s delay is a call to advance(0.3), not a sleep. Other
// threads may queue work; it runs on the thread that drains.
class ManualMainQueue : public MainQueue {
public:
    ManualMainQueue();

    void async(std::function<void()> work) override;
    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
    std::shared_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds,
                                                      std::function<void(RepeatingTimer&)> tick) override;
    bool isMainThread() const override;
    using MainQueue::asyncAfter;

    double now() const;
    // Runs everything due now, including work that the work itself queues for now.
    void drain();
    // Moves the clock forward, running each job and timer tick at its own time.
    void advance(double seconds);
    // Jobs and timer ticks still scheduled.
    std::size_t pendingCount() const;

private:
    class Timer;
    struct Job {
        double due;
        std::uint64_t order;
        std::function<void()> run;
    };

    static constexpr double kMinimumInterval = 1e-3;

    void enqueue(double delay, std::function<void()> run);
    bool runNextDueBy(double time);
    void scheduleTick(const std::shared_ptr<Timer>& timer);

    mutable std::mutex mutex_;  // guards the clock and the jobs
    double now_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::vector<Job> jobs_;
    std::thread::id mainThread_;
};

}  // namespace platform
