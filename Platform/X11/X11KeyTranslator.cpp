#include "Platform/X11/X11KeyTranslator.h"

#include <X11/Xlib.h>

#include "Platform/X11/Private/X11KeyMap.h"

namespace platform {

X11KeyTranslator::X11KeyTranslator(const char* displayName)
    : display_(displayName, [this](Display* display) {
          modifierMap_ = X11ModifierMap::read(display);
          return true;
      }) {}

// Before the first key the map is read as the connection opens: nothing to refresh.
void X11KeyTranslator::refresh() {
    if (Display* display = display_.ifOpen()) modifierMap_ = X11ModifierMap::read(display);
}

std::optional<std::uint32_t> X11KeyTranslator::carbonKeyCode(std::uint32_t nativeKeyCode) {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    const auto code = X11KeyMap::carbonKeyCode(display, nativeKeyCode);
    if (!code) return std::nullopt;
    return static_cast<std::uint32_t>(*code);
}

std::uint32_t X11KeyTranslator::carbonModifiers(std::uint32_t nativeModifiers) const {
    display_.get();  // the map is read as the connection opens
    return modifierMap_.carbonModifiers(nativeModifiers);
}

}  // namespace platform
