#pragma once
#include <cstdint>
#include <optional>

#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// The colours a system tray tells its icons to draw in: the property
// _NET_SYSTEM_TRAY_COLORS of the window that owns _NET_SYSTEM_TRAY_S<screen>
// (the foreground first, then the error, warning and success colours, each as
// three 16-bit channels). Not every tray sets it (trayer does not). Follows
// the tray over a connection of its own, opened by the first call: a tray
// that comes, goes or changes its colours is told on that connection.
class X11TrayColors {
public:
    // $DISPLAY, or `displayName`.
    explicit X11TrayColors(const char* displayName = nullptr);

    // The tray's foreground as 0xRRGGBB; none without a tray or when it tells none.
    std::optional<std::uint32_t> foreground();

    // The connection the changes come in on, to watch for reading; -1 without a server.
    int connectionNumber();
    // Takes in what the server has sent (without waiting for more): whether
    // a tray came or went or the tray changed its colours since the last call.
    bool takeChanges();

private:
    [[nodiscard]] bool startFollowing(_XDisplay* display);
    // Watches the selection's owner now for changes of its colours.
    void followOwner(_XDisplay* display);

    X11LazyDisplay display_;
    unsigned long selection_ = 0;
    unsigned long colours_ = 0;
    unsigned long owner_ = 0;
    int fixesEventBase_ = -1;  // -1: no XFixes, so every answer asks for the owner
};

}  // namespace platform
