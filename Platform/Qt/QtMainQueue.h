#pragma once
#include "Platform/Foundation/MainQueue.h"

namespace platform {

// The Qt event loop of the running QApplication as the main queue. async and
// asyncAfter may be called from any thread; the work always runs on the main
// thread. A repeating timer keeps ticking until it is invalidated, whether or
// not anyone still holds it, as the manual queue's timers do.
class QtMainQueue : public MainQueue {
public:
    void async(std::function<void()> work) override;
    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
    std::shared_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds,
                                                      std::function<void(RepeatingTimer&)> tick) override;
    bool isMainThread() const override;
    using MainQueue::asyncAfter;

    // Drops the work still waiting (and whatever it holds) without running it;
    // called when the event loop has ended, before the program's objects go.
    static void releasePendingWork();
};

}  // namespace platform
