#pragma once
#include <QObject>

class QSocketNotifier;

namespace platform {

class X11HotKeyService;

// Feeds the hot-key service's X connection into the Qt event loop, so hot-key
// events reach their handlers on the main thread.
class QtHotKeyPump : public QObject {
    Q_OBJECT
public:
    // Needs the application object; the service must outlive the pump.
    explicit QtHotKeyPump(X11HotKeyService& service, QObject* parent = nullptr);

private:
    void drainQueuedEvents();

    X11HotKeyService& service_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace platform
