#include "Platform/X11/X11LazyDisplay.h"

#include <X11/Xlib.h>

#include "Platform/X11/X11ConnectionLoss.h"

namespace platform {

X11LazyDisplay::X11LazyDisplay(const char* displayName, SetUp setUp)
    : name_(displayName ? std::optional<std::string>(displayName) : std::nullopt), setUp_(std::move(setUp)) {}

X11LazyDisplay::~X11LazyDisplay() {
    if (!display_) return;
    X11ConnectionLoss::forget(display_);
    XCloseDisplay(display_);
}

_XDisplay* X11LazyDisplay::get() const {
    if (tried_) return display_;
    tried_ = true;
    Display* display = XOpenDisplay(name_ ? name_->c_str() : nullptr);
    if (!display) return nullptr;
    if (setUp_ && !setUp_(display)) {
        XCloseDisplay(display);
        return nullptr;
    }
    X11ConnectionLoss::watch(display);
    display_ = display;
    return display_;
}

}  // namespace platform
