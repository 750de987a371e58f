#include "tests/Platform/X11/HotKeys/CompetingClient.h"

#include <X11/Xlib.h>

#include "tests/support/XErrorRecorder.h"

namespace tessivar::testing {

CompetingClient::CompetingClient(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {}

CompetingClient::~CompetingClient() {
    if (display_) XCloseDisplay(display_);
}

int CompetingClient::grab(const char* keySym, unsigned modifiers) {
    if (!display_) return -1;
    const XErrorRecorder recorder;
    XGrabKey(display_, XKeysymToKeycode(display_, XStringToKeysym(keySym)), modifiers, DefaultRootWindow(display_),
             False, GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    return recorder.errors().empty() ? 0 : recorder.errors().front().errorCode;
}

}  // namespace tessivar::testing
