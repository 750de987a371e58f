#include "tests/support/X11Observer.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/Xrandr.h>

namespace tessivar::testing {

X11Observer::X11Observer(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {}

X11Observer::~X11Observer() {
    if (display_) XCloseDisplay(display_);
}

std::optional<PointerPosition> X11Observer::pointer() const {
    if (!display_) return std::nullopt;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &windowX, &windowY,
                       &mask)) {
        return std::nullopt;
    }
    return PointerPosition{rootX, rootY};
}

std::vector<MonitorGeometry> X11Observer::monitors() const {
    std::vector<MonitorGeometry> result;
    if (!display_) return result;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display_, DefaultRootWindow(display_), True, &count);
    for (int i = 0; i < count; ++i) {
        MonitorGeometry geometry{monitors[i].width, monitors[i].height, monitors[i].x, monitors[i].y};
        auto position = monitors[i].primary ? result.begin() : result.end();
        result.insert(position, geometry);
    }
    if (monitors) XRRFreeMonitors(monitors);
    return result;
}

bool X11Observer::warpPointer(PointerPosition position) const {
    if (!display_) return false;
    XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, position.x, position.y);
    XSync(display_, False);
    return true;
}

int X11Observer::visibleCursorPixels() const {
    if (!display_) return -1;
    XFixesCursorImage* image = XFixesGetCursorImage(display_);
    if (!image) return -1;
    int visible = 0;
    for (int i = 0; i < image->width * image->height; ++i) {
        if (image->pixels[i] >> 24) ++visible;
    }
    XFree(image);
    return visible;
}

bool X11Observer::showCursor() const {
    if (!display_) return false;
    XFixesShowCursor(display_, DefaultRootWindow(display_));
    XSync(display_, False);
    return true;
}

}  // namespace tessivar::testing
