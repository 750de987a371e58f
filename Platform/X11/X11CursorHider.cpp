#include "Platform/X11/X11CursorHider.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace platform {

struct X11CursorHider::Connection {
    Display* display = nullptr;
    Window root = 0;
};

X11CursorHider::X11CursorHider(const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (!display) return;
    int eventBase = 0;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        return;
    }
    connection_ = std::make_unique<Connection>(Connection{display, DefaultRootWindow(display)});
}

X11CursorHider::~X11CursorHider() {
    if (!connection_) return;
    if (isHidden()) XFixesShowCursor(connection_->display, connection_->root);
    XCloseDisplay(connection_->display);
}

bool X11CursorHider::isConnected() const { return connection_ != nullptr; }

void X11CursorHider::applyHidden(bool hidden) {
    if (!connection_) return;
    if (hidden) {
        XFixesHideCursor(connection_->display, connection_->root);
    } else {
        XFixesShowCursor(connection_->display, connection_->root);
    }
    XFlush(connection_->display);
}

}  // namespace platform
