#include "Platform/X11/X11CompositingDetector.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <string>

namespace platform {

namespace {
constexpr unsigned long kOwnerChanges =
    XFixesSetSelectionOwnerNotifyMask | XFixesSelectionWindowDestroyNotifyMask | XFixesSelectionClientCloseNotifyMask;
}  // namespace

X11CompositingDetector::X11CompositingDetector(const char* displayName)
    : display_(displayName, [this](Display* display) { return startFollowing(display); }) {}

bool X11CompositingDetector::startFollowing(Display* display) {
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    selection_ = XInternAtom(display, name.c_str(), False);
    int errorBase = 0;
    // Told of every change of owner, the detector never has to ask again.
    if (XFixesQueryExtension(display, &fixesEventBase_, &errorBase)) {
        XFixesSelectSelectionInput(display, DefaultRootWindow(display), selection_, kOwnerChanges);
    } else {
        fixesEventBase_ = -1;
    }
    owned_ = XGetSelectionOwner(display, selection_) != None;
    return true;
}

bool X11CompositingDetector::isCompositing() {
    Display* display = display_.get();
    if (!display) return false;
    if (fixesEventBase_ < 0) return XGetSelectionOwner(display, selection_) != None;
    // Only what the server has sent already: no round trip on the way to an effect.
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != fixesEventBase_ + XFixesSelectionNotify) continue;
        const auto& notify = reinterpret_cast<const XFixesSelectionNotifyEvent&>(event);
        if (notify.selection == selection_) owned_ = notify.owner != None;
    }
    return owned_;
}

}  // namespace platform
