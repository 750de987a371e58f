#pragma once
#include "Platform/Desktop/CursorImageSource.h"

struct _XDisplay;

namespace platform {

// The pointer picture through XFixes, over a connection of its own. XFixes
// reports the pointer the server would show, also while it is hidden, so the
// picture can still be read after the locating effect has hidden the pointer.
// XFixes also announces each change of picture with its serial, so whether a
// picture read before still holds is known without a round trip.
class X11CursorImageSource : public CursorImageSource {
public:
    // Opens $DISPLAY (or `displayName`); without a server or XFixes there is no picture.
    explicit X11CursorImageSource(const char* displayName = nullptr);
    ~X11CursorImageSource() override;
    X11CursorImageSource(const X11CursorImageSource&) = delete;
    X11CursorImageSource& operator=(const X11CursorImageSource&) = delete;

    std::optional<CursorImage> currentCursorImage() override;
    std::optional<std::uint64_t> knownSerial() override;

private:
    _XDisplay* display_ = nullptr;
    int fixesEventBase_ = 0;
    std::optional<std::uint64_t> serial_;
};

}  // namespace platform
