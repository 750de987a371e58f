#include "Platform/X11/X11CursorImageSource.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <memory>

namespace platform {
namespace {

struct CursorImageFree {
    void operator()(XFixesCursorImage* image) const { XFree(image); }
};

}  // namespace

X11CursorImageSource::X11CursorImageSource(const char* displayName)
    : display_(displayName, [this](Display* display) { return followChanges(display); }) {}

bool X11CursorImageSource::followChanges(Display* display) {
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &fixesEventBase_, &errorBase)) return false;
    XFixesSelectCursorInput(display, DefaultRootWindow(display), XFixesDisplayCursorNotifyMask);
    // Every change from now on is announced, the very next one included.
    XSync(display, False);
    return true;
}

std::optional<CursorImage> X11CursorImageSource::currentCursorImage() {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    const std::unique_ptr<XFixesCursorImage, CursorImageFree> image(XFixesGetCursorImage(display));
    if (!image || image->width == 0 || image->height == 0) return std::nullopt;
    CursorImage result{image->width,
                       image->height,
                       {static_cast<double>(image->xhot), static_cast<double>(image->yhot)},
                       image->cursor_serial,
                       {}};
    serial_ = image->cursor_serial;
    const std::size_t count = std::size_t{image->width} * image->height;
    result.pixels.reserve(count);
    // Xlib hands each 32-bit pixel over in a long of its own.
    for (std::size_t i = 0; i < count; ++i) result.pixels.push_back(static_cast<std::uint32_t>(image->pixels[i]));
    return result;
}

std::optional<std::uint64_t> X11CursorImageSource::knownSerial() {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    // Only what the server has sent already: no round trip.
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != fixesEventBase_ + XFixesCursorNotify) continue;
        serial_ = reinterpret_cast<const XFixesCursorNotifyEvent&>(event).cursor_serial;
    }
    return serial_;
}

}  // namespace platform
