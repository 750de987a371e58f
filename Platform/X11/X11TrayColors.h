#pragma once
#include <cstdint>
#include <optional>

#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// The colours a system tray tells its icons to draw in: the property
// _NET_SYSTEM_TRAY_COLORS of the window that owns _NET_SYSTEM_TRAY_S<screen>
// (the foreground first, then the error, warning and success colours, each as
// three 16-bit channels). Not every tray sets it (trayer does not).
class X11TrayColors {
public:
    // $DISPLAY, or `displayName`; the connection opens at the first question.
    explicit X11TrayColors(const char* displayName = nullptr) : display_(displayName) {}

    // The tray's foreground as 0xRRGGBB; none without a tray or when it tells none.
    std::optional<std::uint32_t> foreground() const;

private:
    X11LazyDisplay display_;
};

}  // namespace platform
