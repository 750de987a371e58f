#include "Platform/X11/X11CompositingDetector.h"

#include <X11/Xlib.h>

#include <string>

namespace platform {

X11CompositingDetector::X11CompositingDetector(const char* displayName) : display_(XOpenDisplay(displayName)) {
    if (!display_) return;
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display_));
    selection_ = XInternAtom(display_, name.c_str(), False);
}

X11CompositingDetector::~X11CompositingDetector() {
    if (display_) XCloseDisplay(display_);
}

bool X11CompositingDetector::isCompositing() {
    if (!display_) return false;
    return XGetSelectionOwner(display_, selection_) != None;
}

}  // namespace platform
