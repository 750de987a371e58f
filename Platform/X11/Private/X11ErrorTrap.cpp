#include "Platform/X11/Private/X11ErrorTrap.h"

#include <X11/Xlib.h>

namespace platform::X11ErrorTrap {
namespace {

// One running trap; traps nest when a trapped request leads to another.
struct Frame {
    Display* display = nullptr;
    int firstError = 0;
    XErrorHandler previous = nullptr;
    Frame* outer = nullptr;
};

Frame* innermost = nullptr;

int record(Display* display, XErrorEvent* event) {
    for (Frame* frame = innermost; frame; frame = frame->outer) {
        if (frame->display != display) continue;
        if (frame->firstError == 0) frame->firstError = event->error_code;
        return 0;
    }
    Frame* outermost = innermost;
    while (outermost && outermost->outer) outermost = outermost->outer;
    if (outermost && outermost->previous) return outermost->previous(display, event);
    return 0;
}

// Puts the handler back also when `requests` throws.
struct Installed {
    Frame& frame;
    explicit Installed(Frame& installed) : frame(installed) { innermost = &frame; }
    ~Installed() {
        innermost = frame.outer;
        XSetErrorHandler(frame.previous);
    }
};

}  // namespace

int firstError(Display* display, const std::function<void()>& requests) {
    Frame frame{display, 0, XSetErrorHandler(&record), innermost};
    const Installed installed(frame);
    requests();
    XSync(display, False);
    return frame.firstError;
}

}  // namespace platform::X11ErrorTrap
