#pragma once
#include "Platform/Foundation/MainQueue.h"

namespace platform {

// The Qt event loop of the running QApplication as the main queue.
class QtMainQueue : public MainQueue {
public:
    void async(std::function<void()> work) override;
    void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) override;
    std::shared_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds,
                                                      std::function<void(RepeatingTimer&)> tick) override;
    bool isMainThread() const override;
    using MainQueue::asyncAfter;
};

}  // namespace platform
