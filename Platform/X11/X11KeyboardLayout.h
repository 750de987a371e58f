#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "Platform/HotKeys/KeyboardLayout.h"

struct _XDisplay;

namespace platform {

// The X server's keyboard layout, as shortcuts show their keys. Of the layout's
// groups it reads the active one when that types Latin letters, else the first
// one that does (a Russian-and-US user sees "Q", not "Й"); everything is read
// from the server on each call, so a layout switch shows at once.
class X11KeyboardLayout : public KeyboardLayout {
public:
    // Opens its own connection to $DISPLAY (or `displayName`); without a server
    // every key types nothing.
    explicit X11KeyboardLayout(const char* displayName = nullptr);
    ~X11KeyboardLayout() override;
    X11KeyboardLayout(const X11KeyboardLayout&) = delete;
    X11KeyboardLayout& operator=(const X11KeyboardLayout&) = delete;

    bool isConnected() const { return display_ != nullptr; }
    std::optional<std::string> character(std::uint16_t carbonKeyCode) override;

private:
    _XDisplay* display_ = nullptr;
};

}  // namespace platform
