#include "Platform/X11/X11CompositingDetector.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <string>

namespace platform {

namespace {
constexpr unsigned long kOwnerChanges =
    XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask | XFixesSelectionClientCloseNotifyMask;
}  // namespace

X11CompositingDetector::X11CompositingDetector(const char* displayName) : display_(XOpenDisplay(displayName)) {
    if (!display_) return;
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display_));
    selection_ = XInternAtom(display_, name.c_str(), False);
    int errorBase = 0;
    // Told of every change of owner, the detector never has to ask again.
    if (XFixesQueryExtension(display_, &fixesEventBase_, &errorBase)) {
        XFixesSelectSelectionInput(display_, DefaultRootWindow(display_), selection_, kOwnerChanges);
    } else {
        fixesEventBase_ = -1;
    }
    owned_ = XGetSelectionOwner(display_, selection_) != None;
}

X11CompositingDetector::~X11CompositingDetector() {
    if (display_) XCloseDisplay(display_);
}

bool X11CompositingDetector::isCompositing() {
    if (!display_) return false;
    if (fixesEventBase_ < 0) return XGetSelectionOwner(display_, selection_) != None;
    // Only what the server has sent already: no round trip on the way to an effect.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != fixesEventBase_ + XFixesSelectionNotify) continue;
        const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
        if (notify.selection == selection_) owned_ = notify.owner != None;
    }
    return owned_;
}

}  // namespace platform
