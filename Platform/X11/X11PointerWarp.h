#pragma once
#include "Platform/Desktop/PointerWarp.h"

#include <cstdint>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace platform {

// Warps the pointer on an xcb connection of its own, opened by connect() or
// the first warp: the request is flushed at once and nothing waits for a
// reply (a warp has none).
class X11PointerWarp : public PointerWarp {
public:
    // Opens $DISPLAY, or `displayName` when given.
    explicit X11PointerWarp(const char* displayName = nullptr);
    ~X11PointerWarp() override;
    X11PointerWarp(const X11PointerWarp&) = delete;
    X11PointerWarp& operator=(const X11PointerWarp&) = delete;

    // Opens the connection unless done already; whether there is one.
    [[nodiscard]] bool connect();
    [[nodiscard]] bool warpTo(int x, int y) override;

private:
    std::optional<std::string> displayName_;
    bool tried_ = false;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
};

}  // namespace platform
