#include "Platform/Testing/FakeCursorHider.h"

namespace platform {

void FakeCursorHider::hideCursor(DisplayID display) {
    calls.push_back("hide " + std::to_string(display));
    CountingCursorHider::hideCursor(display);
}

void FakeCursorHider::showCursor(DisplayID display) {
    calls.push_back("show " + std::to_string(display));
    CountingCursorHider::showCursor(display);
}

void FakeCursorHider::hideApplicationCursor() {
    calls.push_back("hideApp");
    CountingCursorHider::hideApplicationCursor();
}

void FakeCursorHider::unhideApplicationCursor() {
    calls.push_back("unhideApp");
    CountingCursorHider::unhideApplicationCursor();
}

void FakeCursorHider::applyHidden(bool hidden) { ++(hidden ? timesHidden : timesShown); }

}  // namespace platform
