#include "Platform/Testing/FakeNativeKeyTranslator.h"

#include "Platform/HotKeys/ModifierMasks.h"

namespace platform {

std::optional<std::uint32_t> FakeNativeKeyTranslator::carbonKeyCode(std::uint32_t nativeKeyCode) {
    if (nativeKeyCode < kKeyCodeOffset) return std::nullopt;
    return nativeKeyCode - kKeyCodeOffset;
}

std::uint32_t FakeNativeKeyTranslator::carbonModifiers(std::uint32_t nativeModifiers) const {
    std::uint32_t carbon = 0;
    if (nativeModifiers & kShift) carbon |= ModifierMasks::carbonShift;
    if (nativeModifiers & kLock) carbon |= ModifierMasks::carbonAlphaLock;
    if (nativeModifiers & kControl) carbon |= ModifierMasks::carbonControl;
    if (nativeModifiers & kAlt) carbon |= ModifierMasks::carbonOption;
    if (nativeModifiers & kSuper) carbon |= ModifierMasks::carbonCommand;
    return carbon;
}

}  // namespace platform
