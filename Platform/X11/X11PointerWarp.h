#pragma once
#include "Platform/Desktop/PointerWarp.h"

#include <cstdint>

struct xcb_connection_t;

namespace platform {

// Warps the pointer on an xcb connection of its own: the request is flushed at
// once and nothing waits for a reply (a warp has none).
class X11PointerWarp : public PointerWarp {
public:
    // Opens $DISPLAY, or `displayName` when given.
    explicit X11PointerWarp(const char* displayName = nullptr);
    ~X11PointerWarp() override;
    X11PointerWarp(const X11PointerWarp&) = delete;
    X11PointerWarp& operator=(const X11PointerWarp&) = delete;

    bool isConnected() const { return connection_ != nullptr; }
    bool warpTo(int x, int y) override;

private:
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
};

}  // namespace platform
