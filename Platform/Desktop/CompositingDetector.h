#pragma once

namespace platform {

// Whether a compositing manager blends windows with what lies beneath them.
// Without one the window system shows a window's transparent pixels as black,
// so a see-through window has to be cut to the shape of what it draws.
class CompositingDetector {
public:
    virtual ~CompositingDetector() = default;

    // Up to date: a compositor may start or stop at any time.
    virtual bool isCompositing() = 0;
};

}  // namespace platform
