#include "Platform/X11/X11ConnectionLoss.h"

#include <X11/Xlib.h>

#include <atomic>
#include <mutex>

namespace platform {
namespace {

std::mutex& handlerLock() {
    static std::mutex lock;
    return lock;
}

std::function<void()>& handler() {
    static std::function<void()> onLoss;
    return onLoss;
}

std::atomic<bool> gReported{false};

// Xlib's default would print its line and exit; the break is told once, by the
// exit handler of the connection that found it.
int onIOError(Display*) { return 0; }

// Returning is what Xlib allows an exit handler: the call that met the break
// returns, and the connection is marked dead.
void onBrokenConnection(Display*, void*) {
    if (gReported.exchange(true)) return;
    std::function<void()> onLoss;
    {
        std::lock_guard guard(handlerLock());
        onLoss = handler();
    }
    if (onLoss) onLoss();
}

}  // namespace

void X11ConnectionLoss::setHandler(std::function<void()> onLoss) {
    std::lock_guard guard(handlerLock());
    handler() = std::move(onLoss);
}

void X11ConnectionLoss::watch(Display* display) {
    if (!display) return;
    // The I/O error handler is the process's one; set with every connection, so
    // that it is ours even when a library set its own after the first one.
    XSetIOErrorHandler(onIOError);
    XSetIOErrorExitHandler(display, onBrokenConnection, nullptr);
}

}  // namespace platform
