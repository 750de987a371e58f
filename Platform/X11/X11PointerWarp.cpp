#include "Platform/X11/X11PointerWarp.h"

#include <X11/Xlib.h>

namespace platform {

X11PointerWarp::X11PointerWarp(const char* displayName) : display_(XOpenDisplay(displayName)) {
    if (display_) root_ = DefaultRootWindow(display_);
}

X11PointerWarp::~X11PointerWarp() {
    if (display_) XCloseDisplay(display_);
}

// No source window: the pointer goes wherever it is. The root window as the
// destination makes the point absolute on the whole desktop.
bool X11PointerWarp::warpTo(int x, int y) {
    if (!display_) return false;
    XWarpPointer(display_, 0, root_, 0, 0, 0, 0, x, y);
    XFlush(display_);
    return true;
}

}  // namespace platform
