#pragma once
#include <mutex>

#include "Platform/Desktop/CursorHider.h"

namespace platform {

// The shared count behind every CursorHider: the first hide of an episode hides
// the pointer, the call that brings the count back to zero shows it, and calls
// at zero are ignored. Subclasses only apply the visible/hidden change.
class CountingCursorHider : public CursorHider {
public:
    void hideCursor(DisplayID display) override;
    void showCursor(DisplayID display) override;
    void hideApplicationCursor() override;
    void unhideApplicationCursor() override;
    bool isHidden() const override;
    int hideCount() const;

protected:
    // Called with the count's lock held, only on a change of state.
    virtual void applyHidden(bool hidden) = 0;

private:
    void increment();
    void decrement();

    mutable std::mutex mutex_;
    int count_ = 0;
};

}  // namespace platform
