#include "Platform/Qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <unordered_map>

namespace platform {
namespace {

// Qt timers count whole milliseconds in an int: a negative or NaN delay means
// now, and anything beyond the int range means as good as never.
int milliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    const double ms = std::round(seconds * 1000.0);
    constexpr int kLongest = std::numeric_limits<int>::max();
    return ms >= static_cast<double>(kLongest) ? kLongest : static_cast<int>(ms);
}

bool onMainThread() {
    const auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Work waiting for the event loop is kept here, not inside Qt's queued calls
// and timers, which hold only its number: when the loop ends it is released (and
// the windows it holds with it) while the program's objects still stand. Left
// to Qt it would go in ~QApplication, in the middle of tearing down.
class PendingWork {
public:
    static PendingWork& shared() {
        static auto* pending = new PendingWork();  // threads of the client may post after main returns
        return *pending;
    }

    std::uint64_t add(std::function<void()> work) {
        std::lock_guard guard(lock_);
        works_.emplace(++counter_, std::move(work));
        return counter_;
    }

    // Main thread: the work of that number, unless it was released.
    void run(std::uint64_t id) {
        std::function<void()> work;
        {
            std::lock_guard guard(lock_);
            const auto found = works_.find(id);
            if (found == works_.end()) return;
            work = std::move(found->second);
            works_.erase(found);
        }
        work();
    }

    void release() {
        std::unordered_map<std::uint64_t, std::function<void()>> released;
        {
            std::lock_guard guard(lock_);
            released.swap(works_);
        }
    }

private:
    std::mutex lock_;
    std::unordered_map<std::uint64_t, std::function<void()>> works_;
    std::uint64_t counter_ = 0;
};

void post(std::function<void()> work) {
    auto* app = QCoreApplication::instance();
    if (!app) return;
    const auto id = PendingWork::shared().add(std::move(work));
    QMetaObject::invokeMethod(
        app, [id] { PendingWork::shared().run(id); }, Qt::QueuedConnection);
}

// Qt timers belong to the thread that starts them, so they are only ever
// started and stopped on the main thread.
void onMainThreadNowOrSoon(std::function<void()> work) {
    if (onMainThread()) {
        work();
        return;
    }
    post(std::move(work));
}

class QtRepeatingTimer : public RepeatingTimer, public std::enable_shared_from_this<QtRepeatingTimer> {
public:
    explicit QtRepeatingTimer(std::function<void(RepeatingTimer&)> tick) : tick_(std::move(tick)) {}

    // Main thread. The QTimer's connection holds this object, so the timer lives
    // until it is invalidated (or the application goes away).
    void start(int intervalMs) {
        auto* app = QCoreApplication::instance();
        if (!app) valid_ = false;
        if (!valid_) return;
        timer_ = new QTimer(app);
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setInterval(intervalMs);
        QObject::connect(timer_, &QTimer::timeout, timer_, [self = shared_from_this()] { self->fire(); });
        timer_->start();
    }

    void invalidate() override {
        if (!valid_.exchange(false)) return;
        onMainThreadNowOrSoon([self = shared_from_this()] { self->stop(); });
    }

    bool isValid() const override { return valid_; }

private:
    void fire() {
        if (valid_) tick_(*this);
    }

    void stop() {
        if (!timer_) return;
        timer_->stop();
        // Deferred: we may be inside fire(), and deleting the QTimer releases
        // the last hold on this object.
        timer_->deleteLater();
        timer_ = nullptr;
    }

    std::function<void(RepeatingTimer&)> tick_;
    std::atomic<bool> valid_{true};
    QPointer<QTimer> timer_;
};

void startSingleShot(int ms, std::shared_ptr<WorkItem> item) {
    auto* app = QCoreApplication::instance();
    if (!app) return;
    const auto id = PendingWork::shared().add([item = std::move(item)] { item->perform(); });
    QTimer::singleShot(ms, Qt::PreciseTimer, app, [id] { PendingWork::shared().run(id); });
}

}  // namespace

void QtMainQueue::async(std::function<void()> work) { post(std::move(work)); }

void QtMainQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
    const int ms = milliseconds(seconds);
    onMainThreadNowOrSoon([ms, item = std::move(item)] { startSingleShot(ms, item); });
}

std::shared_ptr<RepeatingTimer> QtMainQueue::scheduleRepeating(double intervalSeconds,
                                                               std::function<void(RepeatingTimer&)> tick) {
    auto timer = std::make_shared<QtRepeatingTimer>(std::move(tick));
    const int interval = std::max(1, milliseconds(intervalSeconds));
    onMainThreadNowOrSoon([timer, interval] { timer->start(interval); });
    return timer;
}

bool QtMainQueue::isMainThread() const { return onMainThread(); }

void QtMainQueue::releasePendingWork() { PendingWork::shared().release(); }

}  // namespace platform
