#pragma once
#include <functional>
#include <optional>
#include <string>

struct _XDisplay;

namespace platform {

// A connection of its own to the X server, opened the first time it is wanted.
// Each Xlib connection costs the launch several round trips (the set-up, big
// requests, the resource database, XKB), so a part that no step before the
// launch line needs opens it once it is used, or when told to after the launch.
class X11LazyDisplay {
public:
    // Readies the connection just opened; false when this server will not do
    // (an extension missing), and the connection is closed again.
    using SetUp = std::function<bool(_XDisplay*)>;

    // $DISPLAY, or `displayName` (copied: the caller's text may be gone by the first use).
    explicit X11LazyDisplay(const char* displayName, SetUp setUp = {});
    ~X11LazyDisplay();
    X11LazyDisplay(const X11LazyDisplay&) = delete;
    X11LazyDisplay& operator=(const X11LazyDisplay&) = delete;

    // The connection, opened and set up on the first call; null without a
    // server or when the set-up refused it, then and on every later call.
    _XDisplay* get() const;
    // The connection if it was opened already, without opening it.
    _XDisplay* ifOpen() const { return display_; }

private:
    std::optional<std::string> name_;
    SetUp setUp_;
    mutable bool tried_ = false;
    mutable _XDisplay* display_ = nullptr;
};

}  // namespace platform
