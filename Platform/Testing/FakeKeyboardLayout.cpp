#include "Platform/Testing/FakeKeyboardLayout.h"

#include <utility>

namespace platform {

namespace {
// Carbon key codes of the US layout's character keys, unshifted.
const std::map<std::uint16_t, std::string>& usCharacters() {
    static const std::map<std::uint16_t, std::string> table{
        {0, "a"},  {11, "b"}, {8, "c"},  {2, "d"},  {14, "e"}, {3, "f"},  {5, "g"},   {4, "h"},  {34, "i"}, {38, "j"},
        {40, "k"}, {37, "l"}, {46, "m"}, {45, "n"}, {31, "o"}, {35, "p"}, {12, "q"},  {15, "r"}, {1, "s"},  {17, "t"},
        {32, "u"}, {9, "v"},  {13, "w"}, {7, "x"},  {16, "y"}, {6, "z"},  {29, "0"},  {18, "1"}, {19, "2"}, {20, "3"},
        {21, "4"}, {23, "5"}, {22, "6"}, {26, "7"}, {28, "8"}, {25, "9"}, {42, "\\"}, {50, "`"}, {43, ","}, {24, "="},
        {27, "-"}, {47, "."}, {39, "'"}, {41, ";"}, {44, "/"}, {33, "["}, {30, "]"},
    };
    return table;
}
}  // namespace

FakeKeyboardLayout::FakeKeyboardLayout() : characters_(usCharacters()) {}

std::optional<std::string> FakeKeyboardLayout::character(std::uint16_t carbonKeyCode) {
    requested_.push_back(carbonKeyCode);
    const auto it = characters_.find(carbonKeyCode);
    if (it == characters_.end()) return std::nullopt;
    return it->second;
}

void FakeKeyboardLayout::setCharacter(std::uint16_t carbonKeyCode, std::optional<std::string> character) {
    if (!character) {
        characters_.erase(carbonKeyCode);
        return;
    }
    characters_[carbonKeyCode] = std::move(*character);
}

void FakeKeyboardLayout::clear() { characters_.clear(); }

}  // namespace platform
