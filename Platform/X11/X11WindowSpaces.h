#pragma once
#include "Platform/Desktop/WindowSpaces.h"

struct _XDisplay;

namespace platform {

// Desktops after the Extended Window Manager Hints: _NET_WM_DESKTOP (as a
// property before the window is mapped, as a request to the manager after),
// the root's _NET_CURRENT_DESKTOP, and _NET_ACTIVE_WINDOW. Works on the
// connection that owns the windows, so that its requests come after the ones
// that mapped them.
class X11WindowSpaces : public WindowSpaces {
public:
    // `display` belongs to the caller; null makes every call do nothing.
    explicit X11WindowSpaces(_XDisplay* display);

    bool isOnCurrentDesktop(NativeWindowId window) override;
    void moveToCurrentDesktop(NativeWindowId window) override;
    void showOnAllDesktops(NativeWindowId window) override;
    void activate(NativeWindowId window) override;

private:
    void putOnDesktop(NativeWindowId window, unsigned long desktop);
    void askManager(NativeWindowId window, const char* message, long first, long second);

    _XDisplay* display_;
};

}  // namespace platform
