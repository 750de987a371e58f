#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Platform/Desktop/OverlayWindow.h"

namespace platform {

class QtOverlayWindow;

// A few overlay windows made once and used again: making a window (and its
// native window) is most of what showing an effect costs, and it would
// otherwise fall between one hot-key press and the next.
//
// A window is lent for one effect. When every window is lent, the one lent
// longest ago is taken back for the new effect: its lease goes dead, so the
// removal job of the old effect cannot hide the new one.
class QtOverlayPool {
public:
    class Lease;

    // Makes `size` hidden windows with their native windows at once.
    explicit QtOverlayPool(std::size_t size);
    ~QtOverlayPool();
    QtOverlayPool(const QtOverlayPool&) = delete;
    QtOverlayPool& operator=(const QtOverlayPool&) = delete;

    // A hidden window on `frame`, lent until the lease is ordered out, dropped
    // or taken back.
    std::shared_ptr<Lease> lend(const Rect& frame);

private:
    struct Slot;
    std::vector<std::shared_ptr<Slot>> slots_;
    std::uint64_t lendings_ = 0;
};

// One window lent for one effect. Once the window is given back or taken for
// another effect every call does nothing and the lease reads as hidden.
class QtOverlayPool::Lease : public OverlayWindow {
public:
    Lease(std::shared_ptr<Slot> slot, std::uint64_t generation);
    ~Lease() override;

    Rect frame() const override;
    void setFrameOrigin(Point origin) override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;

    // The window while lent, otherwise null.
    QtOverlayWindow* window() const;

private:
    std::shared_ptr<Slot> slot_;
    std::uint64_t generation_;
};

}  // namespace platform
