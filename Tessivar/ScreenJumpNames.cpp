#include "Tessivar/ScreenJumpNames.h"

#include <array>
#include <string>

namespace tessivar {
namespace {

constexpr std::size_t kNameCount = 8;

// The digit keys of the main keyboard (not the keypad), whose key codes do not
// follow the digits.
hotkeys::Name makeScreenJumpName(std::size_t index) {
    using hotkeys::Key;
    const std::array<Key, kNameCount> digits{Key::one,  Key::two, Key::three, Key::four,
                                             Key::five, Key::six, Key::seven, Key::eight};
    return hotkeys::Name("jumpToScreen" + std::to_string(index + 1),
                         hotkeys::Shortcut(digits.at(index), hotkeys::ModifierFlags{hotkeys::ModifierFlags::option}));
}

// A function-local static is created once, at its first read, even when two
// threads reach it together.
template <std::size_t Index>
const hotkeys::Name& screenJumpName() {
    static const hotkeys::Name name = makeScreenJumpName(Index);
    return name;
}

}  // namespace

const hotkeys::Name& jumpToScreen1() { return screenJumpName<0>(); }
const hotkeys::Name& jumpToScreen2() { return screenJumpName<1>(); }
const hotkeys::Name& jumpToScreen3() { return screenJumpName<2>(); }
const hotkeys::Name& jumpToScreen4() { return screenJumpName<3>(); }
const hotkeys::Name& jumpToScreen5() { return screenJumpName<4>(); }
const hotkeys::Name& jumpToScreen6() { return screenJumpName<5>(); }
const hotkeys::Name& jumpToScreen7() { return screenJumpName<6>(); }
const hotkeys::Name& jumpToScreen8() { return screenJumpName<7>(); }

const std::vector<hotkeys::Name>& screenJumpNames() {
    // A braced list is evaluated left to right: the names come into being 1 to 8.
    static const std::vector<hotkeys::Name> names{jumpToScreen1(), jumpToScreen2(), jumpToScreen3(), jumpToScreen4(),
                                                  jumpToScreen5(), jumpToScreen6(), jumpToScreen7(), jumpToScreen8()};
    return names;
}

std::vector<hotkeys::Name> makeScreenJumpNames() {
    std::vector<hotkeys::Name> names;
    names.reserve(kNameCount);
    for (std::size_t i = 0; i < kNameCount; ++i) names.push_back(makeScreenJumpName(i));
    return names;
}

}  // namespace tessivar
