#include "Platform/X11/X11KeyTranslator.h"

#include <X11/Xlib.h>

#include "Platform/X11/Private/X11KeyMap.h"

namespace platform {

X11KeyTranslator::X11KeyTranslator(const char* displayName) : display_(XOpenDisplay(displayName)) { refresh(); }

X11KeyTranslator::~X11KeyTranslator() {
    if (display_) XCloseDisplay(display_);
}

void X11KeyTranslator::refresh() { modifierMap_ = X11ModifierMap::read(display_); }

std::optional<std::uint32_t> X11KeyTranslator::carbonKeyCode(std::uint32_t nativeKeyCode) {
    if (!display_) return std::nullopt;
    const auto code = X11KeyMap::carbonKeyCode(display_, nativeKeyCode);
    if (!code) return std::nullopt;
    return static_cast<std::uint32_t>(*code);
}

std::uint32_t X11KeyTranslator::carbonModifiers(std::uint32_t nativeModifiers) const {
    return modifierMap_.carbonModifiers(nativeModifiers);
}

}  // namespace platform
