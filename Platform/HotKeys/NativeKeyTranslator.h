#pragma once
#include <cstdint>
#include <optional>

namespace platform {

// Turns the window system's own key events (its key codes and modifier state,
// as a toolkit hands them on) into the Carbon key codes and modifier masks the
// shortcut package matches.
class NativeKeyTranslator {
public:
    virtual ~NativeKeyTranslator() = default;

    // Reads the keyboard's modifier map again: it may change between uses.
    virtual void refresh() = 0;
    // Nothing for a key that has no Carbon key code.
    virtual std::optional<std::uint32_t> carbonKeyCode(std::uint32_t nativeKeyCode) = 0;
    virtual std::uint32_t carbonModifiers(std::uint32_t nativeModifiers) const = 0;
};

}  // namespace platform
