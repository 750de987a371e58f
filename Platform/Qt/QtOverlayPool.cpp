#include "Platform/Qt/QtOverlayPool.h"

#include <QWidget>
#include <algorithm>

#include "Platform/Qt/QtOverlayWindow.h"

namespace platform {

// One window and whose it is: each lending starts a new generation, and only
// the lease of the current one may use the window.
struct QtOverlayPool::Slot {
    QtOverlayWindow window{Rect{{0, 0}, {1, 1}}};
    std::uint64_t generation = 0;
    bool lent = false;
    std::uint64_t lentAt = 0;  // the pool's count of lendings when this one was last lent
};

QtOverlayPool::QtOverlayPool(std::size_t size) {
    for (std::size_t i = 0; i < std::max<std::size_t>(size, 1); ++i) {
        auto slot = std::make_shared<Slot>();
        // The native window now, not at the first effect.
        slot->window.widget()->winId();
        slots_.push_back(std::move(slot));
    }
}

QtOverlayPool::~QtOverlayPool() = default;

std::shared_ptr<QtOverlayPool::Lease> QtOverlayPool::lend(const Rect& frame) {
    const auto free = std::find_if(slots_.begin(), slots_.end(), [](const auto& slot) { return !slot->lent; });
    const auto oldest = std::min_element(slots_.begin(), slots_.end(),
                                         [](const auto& a, const auto& b) { return a->lentAt < b->lentAt; });
    // A window taken from a playing effect stays on screen: hiding and showing
    // it again would cost two trips to the window system for nothing.
    const auto& slot = free != slots_.end() ? *free : *oldest;
    slot->window.setFrame(frame);
    slot->lent = true;
    slot->lentAt = ++lendings_;
    ++slot->generation;
    return std::make_shared<Lease>(slot, slot->generation);
}

QtOverlayPool::Lease::Lease(std::shared_ptr<Slot> slot, std::uint64_t generation)
    : slot_(std::move(slot)), generation_(generation) {}

QtOverlayPool::Lease::~Lease() { orderOut(); }

QtOverlayWindow* QtOverlayPool::Lease::window() const {
    return slot_->generation == generation_ && slot_->lent ? &slot_->window : nullptr;
}

Rect QtOverlayPool::Lease::frame() const {
    const auto* lent = window();
    return lent ? lent->frame() : Rect{};
}

void QtOverlayPool::Lease::setFrameOrigin(Point origin) {
    if (auto* lent = window()) lent->setFrameOrigin(origin);
}

void QtOverlayPool::Lease::orderFront() {
    if (auto* lent = window()) lent->orderFront();
}

void QtOverlayPool::Lease::orderOut() {
    auto* lent = window();
    if (!lent) return;
    lent->orderOut();
    slot_->lent = false;
}

bool QtOverlayPool::Lease::isVisible() const {
    const auto* lent = window();
    return lent && lent->isVisible();
}

}  // namespace platform
