#pragma once
#include <functional>
#include <memory>

namespace platform {

// A cancellable unit of delayed work. Cancelling before it runs makes it a no-op;
// the owner may keep the item after cancelling it.
class WorkItem {
public:
    explicit WorkItem(std::function<void()> body) : body_(std::move(body)) {}
    void cancel() { cancelled_ = true; }
    bool isCancelled() const { return cancelled_; }
    // Runs the body unless cancelled.
    void perform() {
        if (!cancelled_ && body_) body_();
    }

private:
    std::function<void()> body_;
    bool cancelled_ = false;
};

// A repeating timer on the main queue. The callback may invalidate the timer.
class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
};

// The main thread's queue: the event loop in the application, a manual queue
// with a virtual clock in tests.
class MainQueue {
public:
    virtual ~MainQueue() = default;

    virtual void async(std::function<void()> work) = 0;
    // Runs the item on the main queue `seconds` from now unless it was cancelled by then.
    virtual void asyncAfter(double seconds, std::shared_ptr<WorkItem> item) = 0;
    // The callback receives its own timer so it can stop itself.
    virtual std::shared_ptr<RepeatingTimer> scheduleRepeating(double intervalSeconds,
                                                              std::function<void(RepeatingTimer&)> tick) = 0;
    virtual bool isMainThread() const = 0;

    // Convenience: wraps the work into a new item, schedules and answers it.
    std::shared_ptr<WorkItem> asyncAfter(double seconds, std::function<void()> work) {
        auto item = std::make_shared<WorkItem>(std::move(work));
        asyncAfter(seconds, item);
        return item;
    }
};

}  // namespace platform
