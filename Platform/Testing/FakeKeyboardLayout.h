#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/HotKeys/KeyboardLayout.h"

namespace platform {

// A keyboard layout whose characters a test sets. It starts as a US layout's
// letters, digits and punctuation, and records every key code asked for.
class FakeKeyboardLayout : public KeyboardLayout {
public:
    FakeKeyboardLayout();

    std::optional<std::string> character(std::uint16_t carbonKeyCode) override;

    // Nothing makes the key type no character.
    void setCharacter(std::uint16_t carbonKeyCode, std::optional<std::string> character);
    // Forgets every character, as a layout that types nothing.
    void clear();
    const std::vector<std::uint16_t>& requestedKeyCodes() const { return requested_; }

private:
    std::map<std::uint16_t, std::string> characters_;
    std::vector<std::uint16_t> requested_;
};

}  // namespace platform
