#include "Platform/X11/X11CursorHider.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace platform {
namespace {

bool hasXFixes(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    return XFixesQueryExtension(display, &eventBase, &errorBase) != 0;
}

}  // namespace

X11CursorHider::X11CursorHider(const char* displayName) : display_(displayName, hasXFixes) {}

X11CursorHider::~X11CursorHider() {
    Display* display = display_.ifOpen();
    if (display && isHidden()) XFixesShowCursor(display, DefaultRootWindow(display));
}

void X11CursorHider::applyHidden(bool hidden) {
    Display* display = display_.get();
    if (!display) return;
    if (hidden) {
        XFixesHideCursor(display, DefaultRootWindow(display));
    } else {
        XFixesShowCursor(display, DefaultRootWindow(display));
    }
    XFlush(display);
}

}  // namespace platform
