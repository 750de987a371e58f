#pragma once

namespace platform {

// Puts the pointer on a point of the window system's root window, in device
// pixels, without waiting for the server's answer: a hot-key press that moves
// the pointer then costs one write to the server, not a round trip per step.
class PointerWarp {
public:
    virtual ~PointerWarp() = default;

    // False only without a connection; the server applies the move in the order
    // the requests were sent.
    [[nodiscard]] virtual bool warpTo(int x, int y) = 0;
};

}  // namespace platform
