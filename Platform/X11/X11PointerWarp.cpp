#include "Platform/X11/X11PointerWarp.h"

#include <xcb/xcb.h>

namespace platform {

X11PointerWarp::X11PointerWarp(const char* displayName)
    : displayName_(displayName ? std::optional<std::string>(displayName) : std::nullopt) {}

bool X11PointerWarp::connect() {
    if (tried_) return connection_ != nullptr;
    tried_ = true;
    xcb_connection_t* connection = xcb_connect(displayName_ ? displayName_->c_str() : nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    connection_ = connection;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    return true;
}

X11PointerWarp::~X11PointerWarp() {
    if (connection_) xcb_disconnect(connection_);
}

// No source window: the pointer goes wherever it is. The root window as the
// destination makes the point absolute on the whole desktop. On a plain xcb
// connection the flush is one write: Xlib would also try to read events after it.
bool X11PointerWarp::warpTo(int x, int y) {
    if (!connect()) return false;
    xcb_warp_pointer(connection_, XCB_NONE, root_, 0, 0, 0, 0, static_cast<std::int16_t>(x),
                     static_cast<std::int16_t>(y));
    xcb_flush(connection_);
    return true;
}

}  // namespace platform
