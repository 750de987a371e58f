#include "Platform/X11/X11TrayColors.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

#include "Platform/X11/Private/X11ErrorTrap.h"

namespace platform {

namespace {
// The foreground's red, green and blue.
constexpr long kForegroundChannels = 3;

std::uint32_t eightBits(unsigned long channel) { return static_cast<std::uint32_t>((channel >> 8) & 0xFF); }
}  // namespace

std::optional<std::uint32_t> X11TrayColors::foreground() const {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    const Window tray = XGetSelectionOwner(display, XInternAtom(display, name.c_str(), False));
    if (tray == None) return std::nullopt;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    // The tray may go away between the two questions: its window is then gone.
    const int error = X11ErrorTrap::firstError(display, [&] {
        XGetWindowProperty(display, tray, XInternAtom(display, "_NET_SYSTEM_TRAY_COLORS", False), 0,
                           kForegroundChannels, False, XA_CARDINAL, &type, &format, &count, &after, &data);
    });
    std::optional<std::uint32_t> colour;
    if (error == 0 && data && type == XA_CARDINAL && format == 32 && count == kForegroundChannels) {
        const auto* channels = reinterpret_cast<const unsigned long*>(data);
        colour = eightBits(channels[0]) << 16 | eightBits(channels[1]) << 8 | eightBits(channels[2]);
    }
    if (data) XFree(data);
    return colour;
}

}  // namespace platform
