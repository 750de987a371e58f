#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "tests/support/ScreenGrab.h"

struct _XDisplay;

namespace tessivar::testing {

// A pointer of one colour, for telling its picture apart from any drawn arrow.
struct SolidCursor {
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    std::uint32_t rgb = 0;
};

// Sets the scene on a test X server and reads the screen back, over a
// connection of its own that stays open while the object lives (the root's
// background pixmap and pointer are this connection's resources).
class X11ScreenProbe {
public:
    explicit X11ScreenProbe(const std::string& displayName);
    ~X11ScreenProbe();
    X11ScreenProbe(const X11ScreenProbe&) = delete;
    X11ScreenProbe& operator=(const X11ScreenProbe&) = delete;

    bool isConnected() const { return display_ != nullptr; }

    // Paints the root window in one colour (0xRRGGBB) and publishes it as the
    // desktop background (_XROOTPMAP_ID), which compositors draw themselves.
    bool setRootColour(std::uint32_t rgb);
    // The pointer shown over the root window.
    bool setRootCursor(const SolidCursor& cursor);
    // A root-window rectangle as the server shows it; empty when unreadable.
    ScreenGrab grab(int x, int y, int width, int height) const;
    // Whether a compositing manager owns the screen's _NET_WM_CM_S<n> selection.
    bool hasCompositingManager() const;
    // The pixel under the hot spot of the pointer XFixes reports, as premultiplied 0xAARRGGBB.
    std::optional<std::uint32_t> cursorHotSpotPixel() const;

private:
    _XDisplay* display_ = nullptr;
    unsigned long background_ = 0;
    unsigned long cursor_ = 0;
};

}  // namespace tessivar::testing
