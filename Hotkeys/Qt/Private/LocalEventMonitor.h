#pragma once
#include <QObject>

#include <functional>

class QEvent;

namespace hotkeys {

// Sees the application's own key presses and left and right mouse releases
// before the widget they are meant for, while it is running: the callback
// answers true to swallow one. Each event is shown once, as it reaches its
// widget. Stops when it goes.
class LocalEventMonitor : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<bool(QObject* receiver, QEvent* event)>;

    explicit LocalEventMonitor(Callback callback);
    ~LocalEventMonitor() override;

    void start();
    void stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Callback callback_;
    bool running_ = false;
};

}  // namespace hotkeys
