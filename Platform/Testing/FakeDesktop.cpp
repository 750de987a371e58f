#include "Platform/Testing/FakeDesktop.h"

#include "Platform/Desktop/CoordinateSpace.h"

namespace platform {

std::vector<Screen> FakeDesktop::screens() {
    ++screenReads;
    return screenList;
}

Rect FakeDesktop::displayBounds(DisplayID display) {
    for (const auto& screen : screenList) {
        if (screen.displayID == display) return screen.frame;
    }
    return {};
}

std::int32_t FakeDesktop::moveCursor(DisplayID display, Point local) {
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

Screen makeScreen(DisplayID id, const char* name, Rect frame, double scale) { return Screen{id, name, frame, scale}; }

}  // namespace platform
