#pragma once
#include <mutex>

#include "Platform/Desktop/Screen.h"

namespace platform {

// Hides the hardware pointer. Display and application hides share one count:
// the pointer is hidden while the count is above zero, and a show or unhide at
// zero does nothing, so unbalanced calls can never leave it hidden for good.
class CursorHider {
public:
    virtual ~CursorHider() = default;

    virtual void hideCursor(DisplayID display) = 0;
    virtual void showCursor(DisplayID display) = 0;
    virtual void hideApplicationCursor() = 0;
    virtual void unhideApplicationCursor() = 0;
    virtual bool isHidden() const = 0;
};

// The shared count behind every CursorHider: the first hide of an episode hides
// the pointer, the call that brings the count back to zero shows it, and calls
// at zero are ignored. Subclasses only apply the visible/hidden change.
class CountingCursorHider : public CursorHider {
public:
    void hideCursor(DisplayID) override { increment(); }
    void showCursor(DisplayID) override { decrement(); }
    void hideApplicationCursor() override { increment(); }
    void unhideApplicationCursor() override { decrement(); }
    bool isHidden() const override { return hideCount() > 0; }
    int hideCount() const {
        std::lock_guard lock(mutex_);
        return count_;
    }

protected:
    // Called with the count's lock held, only on a change of state.
    virtual void applyHidden(bool hidden) = 0;

private:
    void increment() {
        std::lock_guard lock(mutex_);
        if (count_++ == 0) applyHidden(true);
    }
    void decrement() {
        std::lock_guard lock(mutex_);
        if (count_ == 0) return;
        if (--count_ == 0) applyHidden(false);
    }

    mutable std::mutex mutex_;
    int count_ = 0;
};

}  // namespace platform
