#include "Platform/Testing/FakeOverlayWindow.h"

namespace platform {

void FakeOverlayWindow::setFrameOrigin(Point origin) {
    frame_.origin = origin;
    origins.push_back(origin);
}

}  // namespace platform
