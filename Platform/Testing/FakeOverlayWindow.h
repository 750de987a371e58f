#pragma once
#include <vector>

#include "Platform/Desktop/OverlayWindow.h"

namespace platform {

class FakeOverlayWindow : public OverlayWindow {
public:
    explicit FakeOverlayWindow(Rect frame) : frame_(frame) {}

    Rect frame() const override { return frame_; }
    void setFrameOrigin(Point origin) override {
        frame_.origin = origin;
        origins.push_back(origin);
    }
    void orderFront() override { visible_ = true; }
    void orderOut() override { visible_ = false; }
    bool isVisible() const override { return visible_; }

    std::vector<Point> origins;  // every origin it was moved to

private:
    Rect frame_;
    bool visible_ = false;
};

}  // namespace platform
