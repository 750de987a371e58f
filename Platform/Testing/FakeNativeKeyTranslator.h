#pragma once
#include "Platform/HotKeys/ModifierMasks.h"
#include "Platform/HotKeys/NativeKeyTranslator.h"

namespace platform {

// A keyboard for key events a test makes up: the native key code of a key is
// its Carbon key code plus 8 (0 is no key), and the native modifier state uses
// X's bits, Alt on Mod1 and Super on Mod4. Counts how often it was refreshed.
class FakeNativeKeyTranslator : public NativeKeyTranslator {
public:
    static constexpr std::uint32_t kShift = 0x1;
    static constexpr std::uint32_t kLock = 0x2;
    static constexpr std::uint32_t kControl = 0x4;
    static constexpr std::uint32_t kAlt = 0x8;
    static constexpr std::uint32_t kNumLock = 0x10;
    static constexpr std::uint32_t kSuper = 0x40;
    static constexpr std::uint32_t kKeyCodeOffset = 8;

    void refresh() override { ++refreshes; }
    std::optional<std::uint32_t> carbonKeyCode(std::uint32_t nativeKeyCode) override {
        if (nativeKeyCode < kKeyCodeOffset) return std::nullopt;
        return nativeKeyCode - kKeyCodeOffset;
    }
    std::uint32_t carbonModifiers(std::uint32_t nativeModifiers) const override {
        std::uint32_t carbon = 0;
        if (nativeModifiers & kShift) carbon |= ModifierMasks::carbonShift;
        if (nativeModifiers & kLock) carbon |= ModifierMasks::carbonAlphaLock;
        if (nativeModifiers & kControl) carbon |= ModifierMasks::carbonControl;
        if (nativeModifiers & kAlt) carbon |= ModifierMasks::carbonOption;
        if (nativeModifiers & kSuper) carbon |= ModifierMasks::carbonCommand;
        return carbon;
    }

    int refreshes = 0;
};

}  // namespace platform
