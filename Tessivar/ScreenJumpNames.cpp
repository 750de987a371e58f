#include "Tessivar/ScreenJumpNames.h"

#include <array>
#include <string>

namespace tessivar {

std::vector<Hotkeys::Name> makeScreenJumpNames() {
    using Hotkeys::Key;
    const std::array<Key, 8> digits{Key::one,  Key::two, Key::three, Key::four,
                                    Key::five, Key::six, Key::seven, Key::eight};
    std::vector<Hotkeys::Name> names;
    names.reserve(digits.size());
    for (std::size_t i = 0; i < digits.size(); ++i) {
        names.emplace_back("jumpToScreen" + std::to_string(i + 1),
                           Hotkeys::Shortcut(digits[i], Hotkeys::ModifierFlags{Hotkeys::ModifierFlags::option}));
    }
    return names;
}

const std::vector<Hotkeys::Name>& screenJumpNames() {
    static const std::vector<Hotkeys::Name> names = makeScreenJumpNames();
    return names;
}

}  // namespace tessivar
