#include "Platform/X11/X11ConnectionLoss.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace platform {
namespace {

struct Watch {
    std::mutex lock;  // guards the fields below
    std::vector<Display*> displays;
    // Whoever handled I/O errors before (the Qt plugin, or Xlib's default): it keeps
    // every connection that is not the program's own.
    XIOErrorHandler previous = nullptr;
    std::function<void()> onLoss;
};

Watch& registry() {
    static Watch state;
    return state;
}

std::atomic<bool> gReported{false};

// Xlib's default would print its line and exit; on the program's own connections
// the break is told once, by their exit handler.
int onIOError(Display* display) {
    XIOErrorHandler previous = nullptr;
    {
        auto& state = registry();
        std::lock_guard guard(state.lock);
        const bool ours = std::find(state.displays.begin(), state.displays.end(), display) != state.displays.end();
        if (!ours) previous = state.previous;
    }
    return previous ? previous(display) : 0;
}

// Returning is what Xlib allows an exit handler: the call that met the break
// returns, and the connection is marked dead.
void onBrokenConnection(Display*, void*) {
    if (gReported.exchange(true)) return;
    std::function<void()> onLoss;
    {
        auto& state = registry();
        std::lock_guard guard(state.lock);
        onLoss = state.onLoss;
    }
    if (onLoss) onLoss();
}

}  // namespace

void X11ConnectionLoss::setHandler(std::function<void()> onLoss) {
    auto& state = registry();
    std::lock_guard guard(state.lock);
    state.onLoss = std::move(onLoss);
}

void X11ConnectionLoss::watch(Display* display) {
    if (!display) return;
    auto& state = registry();
    std::lock_guard guard(state.lock);
    state.displays.push_back(display);
    // The handler is the process's one: set again with every connection, in case a
    // library set its own after the first one.
    const XIOErrorHandler before = XSetIOErrorHandler(onIOError);
    if (before != onIOError) state.previous = before;
    XSetIOErrorExitHandler(display, onBrokenConnection, nullptr);
}

void X11ConnectionLoss::forget(Display* display) {
    auto& state = registry();
    std::lock_guard guard(state.lock);
    std::erase(state.displays, display);
}

}  // namespace platform
