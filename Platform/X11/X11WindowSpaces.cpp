#include "Platform/X11/X11WindowSpaces.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <optional>

#include "Platform/X11/Private/X11ErrorTrap.h"

namespace platform {

namespace {

constexpr unsigned long kAllDesktops = 0xFFFFFFFF;
// The source of an activation: a pager, that is the user's own choice, which
// managers obey without their focus-stealing rules.
constexpr long kSourcePager = 2;

std::optional<unsigned long> desktopProperty(Display* display, Window window, const char* property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom name = XInternAtom(display, property, False);
    if (XGetWindowProperty(display, window, name, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) !=
        Success) {
        return std::nullopt;
    }
    std::optional<unsigned long> desktop;
    // Xlib hands 32-bit items as longs, sign-extended: every desktop comes as -1.
    if (data && count == 1 && format == 32) {
        desktop = static_cast<unsigned long>(*reinterpret_cast<long*>(data)) & kAllDesktops;
    }
    if (data) XFree(data);
    return desktop;
}

std::optional<unsigned long> currentDesktop(Display* display) {
    return desktopProperty(display, DefaultRootWindow(display), "_NET_CURRENT_DESKTOP");
}

bool isMapped(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes)) return false;
    return attributes.map_state != IsUnmapped;
}

}  // namespace

X11WindowSpaces::X11WindowSpaces(_XDisplay* display) : display_(display) {}

bool X11WindowSpaces::isOnCurrentDesktop(NativeWindowId window) {
    if (!display_) return true;
    const auto current = currentDesktop(display_);
    std::optional<unsigned long> desktop;
    X11ErrorTrap::firstError(
        display_, [&] { desktop = desktopProperty(display_, static_cast<Window>(window), "_NET_WM_DESKTOP"); });
    return !current || !desktop || *desktop == *current || *desktop == kAllDesktops;
}

void X11WindowSpaces::moveToCurrentDesktop(NativeWindowId window) {
    if (!display_) return;
    // No current desktop: no manager that knows desktops, nothing to move to.
    if (const auto desktop = currentDesktop(display_)) putOnDesktop(window, *desktop);
}

void X11WindowSpaces::showOnAllDesktops(NativeWindowId window) {
    if (!display_) return;
    putOnDesktop(window, kAllDesktops);
}

// A window not mapped yet says where it goes; the manager owns the property
// of one it manages, and is asked.
void X11WindowSpaces::putOnDesktop(NativeWindowId window, unsigned long desktop) {
    const auto id = static_cast<Window>(window);
    X11ErrorTrap::firstError(display_, [&] {
        if (isMapped(display_, id)) return askManager(window, "_NET_WM_DESKTOP", static_cast<long>(desktop), 1);
        const unsigned long value = desktop;
        XChangeProperty(display_, id, XInternAtom(display_, "_NET_WM_DESKTOP", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
    });
}

void X11WindowSpaces::activate(NativeWindowId window) {
    if (!display_) return;
    X11ErrorTrap::firstError(display_, [&] { askManager(window, "_NET_ACTIVE_WINDOW", kSourcePager, CurrentTime); });
}

void X11WindowSpaces::askManager(NativeWindowId window, const char* message, long first, long second) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window);
    event.xclient.message_type = XInternAtom(display_, message, False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = first;
    event.xclient.data.l[1] = second;
    XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace platform
