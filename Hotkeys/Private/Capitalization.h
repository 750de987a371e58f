#pragma once
#include <string>
#include <string_view>

namespace hotkeys {

// `text` (UTF-8) with each word's first letter in upper case and the others in
// lower case, as menus and key caps show a character ("a" -> "A", "é" -> "É").
// Bytes that are not UTF-8 are kept as they are.
std::string capitalized(std::string_view text);
// `text` (UTF-8) with every letter in lower case ("S" -> "s", "É" -> "é"); bytes
// that are not UTF-8 are kept as they are.
std::string lowercased(std::string_view text);

}  // namespace hotkeys
