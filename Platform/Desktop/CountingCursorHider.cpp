#include "Platform/Desktop/CountingCursorHider.h"

namespace platform {

void CountingCursorHider::hideCursor(DisplayID) { increment(); }
void CountingCursorHider::showCursor(DisplayID) { decrement(); }
void CountingCursorHider::hideApplicationCursor() { increment(); }
void CountingCursorHider::unhideApplicationCursor() { decrement(); }

bool CountingCursorHider::isHidden() const { return hideCount() > 0; }

int CountingCursorHider::hideCount() const {
    std::lock_guard lock(mutex_);
    return count_;
}

void CountingCursorHider::increment() {
    std::lock_guard lock(mutex_);
    if (count_++ == 0) applyHidden(true);
}

void CountingCursorHider::decrement() {
    std::lock_guard lock(mutex_);
    if (count_ == 0) return;
    if (--count_ == 0) applyHidden(false);
}

}  // namespace platform
