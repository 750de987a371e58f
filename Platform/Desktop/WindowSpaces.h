#pragma once
#include <cstdint>

namespace platform {

// The window system's id of a top-level window.
using NativeWindowId = std::uint64_t;

// The desktops (workspaces) of the window manager as a window of ours sees
// them, and bringing such a window to the user. Without a window manager
// that knows desktops every call does nothing.
class WindowSpaces {
public:
    virtual ~WindowSpaces() = default;

    // Whether the user sees the window's desktop now (true without desktops).
    virtual bool isOnCurrentDesktop(NativeWindowId window) = 0;
    // Puts the window on the desktop the user is on now, mapped or not yet.
    virtual void moveToCurrentDesktop(NativeWindowId window) = 0;
    // Puts the window on every desktop, mapped or not yet.
    virtual void showOnAllDesktops(NativeWindowId window) = 0;
    // Makes the (mapped) window the active one, as the user's own choice.
    virtual void activate(NativeWindowId window) = 0;
};

}  // namespace platform
