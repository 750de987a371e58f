#include "Platform/Qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <cmath>

namespace platform {
namespace {

int milliseconds(double seconds) {
    return static_cast<int>(std::lround(std::max(0.0, seconds) * 1000.0));
}

class QtRepeatingTimer : public RepeatingTimer {
public:
    QtRepeatingTimer(double interval, std::function<void(RepeatingTimer&)> tick) : tick_(std::move(tick)) {
        timer_ = new QTimer(QCoreApplication::instance());
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setInterval(std::max(1, milliseconds(interval)));
        QObject::connect(timer_, &QTimer::timeout, timer_, [this] { tick_(*this); });
        timer_->start();
    }
    ~QtRepeatingTimer() override { invalidate(); }

    void invalidate() override {
        if (!timer_) return;
        timer_->stop();
        timer_->deleteLater();
        timer_ = nullptr;
    }
    bool isValid() const override { return timer_ != nullptr; }

private:
    std::function<void(RepeatingTimer&)> tick_;
    QPointer<QTimer> timer_;
};

}  // namespace

void QtMainQueue::async(std::function<void()> work) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void QtMainQueue::asyncAfter(double seconds, std::shared_ptr<WorkItem> item) {
    QTimer::singleShot(milliseconds(seconds), Qt::PreciseTimer, QCoreApplication::instance(),
                       [item] { item->perform(); });
}

std::shared_ptr<RepeatingTimer> QtMainQueue::scheduleRepeating(double intervalSeconds,
                                                               std::function<void(RepeatingTimer&)> tick) {
    return std::make_shared<QtRepeatingTimer>(intervalSeconds, std::move(tick));
}

bool QtMainQueue::isMainThread() const {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace platform
