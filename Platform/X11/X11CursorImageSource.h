#pragma once
#include "Platform/Desktop/CursorImageSource.h"

#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// The pointer picture through XFixes, over a connection of its own, opened
// by connect() or the first question. XFixes
// reports the pointer the server would show, also while it is hidden, so the
// picture can still be read after the locating effect has hidden the pointer.
// XFixes also announces each change of picture with its serial, so whether a
// picture read before still holds is known without a round trip.
class X11CursorImageSource : public CursorImageSource {
public:
    // Opens $DISPLAY (or `displayName`); without a server or XFixes there is no picture.
    explicit X11CursorImageSource(const char* displayName = nullptr);

    // Opens the connection unless done already; whether there is a picture to
    // read. Each change of picture from then on is announced.
    [[nodiscard]] bool connect() { return display_.get() != nullptr; }
    std::optional<CursorImage> currentCursorImage() override;
    std::optional<std::uint64_t> knownSerial() override;

private:
    [[nodiscard]] bool followChanges(_XDisplay* display);

    X11LazyDisplay display_;
    int fixesEventBase_ = 0;
    std::optional<std::uint64_t> serial_;
};

}  // namespace platform
