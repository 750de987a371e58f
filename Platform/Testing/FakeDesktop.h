#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/Desktop.h"

namespace platform {

// A desktop whose screens and pointer the test sets. A successful move puts the
// pointer where the move asked, as a real window system would.
class FakeDesktop : public Desktop {
public:
    struct Move {
        DisplayID display;
        Point local;
    };

    std::vector<Screen> screens() override {
        ++screenReads;
        return screenList;
    }
    Point mouseLocation() override { return mouse; }
    Rect displayBounds(DisplayID display) override {
        for (const auto& screen : screenList) {
            if (screen.displayID == display) return screen.frame;
        }
        return {};
    }
    std::int32_t moveCursor(DisplayID display, Point local) override {
        moves.push_back({display, local});
        if (duringMove) duringMove();
        if (moveError != kCursorMoveSuccess) return moveError;
        for (const auto& screen : screenList) {
            if (screen.displayID != display) continue;
            mouse = CoordinateSpace::localToGlobal(local, screen.frame);
            return kCursorMoveSuccess;
        }
        return kCursorMoveUnknownDisplay;
    }
    void setScreensChangedHandler(std::function<void()> handler) override { screensChanged = std::move(handler); }

    std::vector<Screen> screenList;
    Point mouse;
    std::int32_t moveError = kCursorMoveSuccess;  // answered by every move while non-zero
    std::vector<Move> moves;
    std::function<void()> duringMove;  // runs inside every move, as the window system takes it
    int screenReads = 0;
    std::function<void()> screensChanged;  // what the window system would call after a change
};

// A screen with a display id and a name, frame in global coordinates.
inline Screen makeScreen(DisplayID id, const char* name, Rect frame, double scale = 1.0) {
    return Screen{id, name, frame, scale};
}

}  // namespace platform
