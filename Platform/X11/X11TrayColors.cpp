#include "Platform/X11/X11TrayColors.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <string>

#include "Platform/X11/Private/X11ErrorTrap.h"

namespace platform {

namespace {
// The foreground's red, green and blue.
constexpr long kForegroundChannels = 3;
constexpr unsigned long kOwnerChanges =
    XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask | XFixesSelectionClientCloseNotifyMask;

std::uint32_t eightBits(unsigned long channel) { return static_cast<std::uint32_t>((channel >> 8) & 0xFF); }
}  // namespace

X11TrayColors::X11TrayColors(const char* displayName)
    : display_(displayName, [this](Display* display) { return startFollowing(display); }) {}

bool X11TrayColors::startFollowing(Display* display) {
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    selection_ = XInternAtom(display, name.c_str(), False);
    colours_ = XInternAtom(display, "_NET_SYSTEM_TRAY_COLORS", False);
    int errorBase = 0;
    if (XFixesQueryExtension(display, &fixesEventBase_, &errorBase)) {
        XFixesSelectSelectionInput(display, DefaultRootWindow(display), selection_, kOwnerChanges);
    } else {
        fixesEventBase_ = -1;
    }
    followOwner(display);
    return true;
}

void X11TrayColors::followOwner(Display* display) {
    owner_ = XGetSelectionOwner(display, selection_);
    if (owner_ == None) return;
    // The tray may go away between the two requests: its window is then gone,
    // and the change of owner is told.
    X11ErrorTrap::firstError(display, [&] { XSelectInput(display, owner_, PropertyChangeMask); });
}

std::optional<std::uint32_t> X11TrayColors::foreground() {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    if (fixesEventBase_ < 0) followOwner(display);
    if (owner_ == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int error = X11ErrorTrap::firstError(display, [&] {
        XGetWindowProperty(display, owner_, colours_, 0, kForegroundChannels, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data);
    });
    std::optional<std::uint32_t> colour;
    if (error == 0 && data && type == XA_CARDINAL && format == 32 && count == kForegroundChannels) {
        // Xlib hands 32-bit items as longs.
        const auto* channels = reinterpret_cast<const unsigned long*>(data);
        colour = eightBits(channels[0]) << 16 | eightBits(channels[1]) << 8 | eightBits(channels[2]);
    }
    if (data) XFree(data);
    return colour;
}

int X11TrayColors::connectionNumber() {
    Display* display = display_.get();
    return display ? ConnectionNumber(display) : -1;
}

bool X11TrayColors::takeChanges() {
    Display* display = display_.get();
    if (!display) return false;
    bool changed = false;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (fixesEventBase_ >= 0 && event.type == fixesEventBase_ + XFixesSelectionNotify) {
            followOwner(display);
            changed = true;
        } else if (event.type == PropertyNotify && event.xproperty.atom == colours_) {
            changed = true;
        }
    }
    return changed;
}

}  // namespace platform
