#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "Platform/HotKeys/KeyboardLayout.h"

#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// The X server's keyboard layout, as shortcuts show their keys. Of the layout's
// groups it reads the active one when that types Latin letters, else the first
// one that does (a Russian-and-US user sees "Q", not "Й"); everything is read
// from the server on each call, so a layout switch shows at once.
class X11KeyboardLayout : public KeyboardLayout {
public:
    // Its own connection to $DISPLAY (or `displayName`), opened at the first
    // key asked about; without a server every key types nothing.
    explicit X11KeyboardLayout(const char* displayName = nullptr);

    bool isConnected() const { return display_.get() != nullptr; }
    std::optional<std::string> character(std::uint16_t carbonKeyCode) override;

private:
    X11LazyDisplay display_;
};

}  // namespace platform
