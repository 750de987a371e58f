#pragma once
#include <string>
#include <string_view>

namespace zerazov {

// The text as valid UTF-8: every byte that does not start a well-formed sequence
// becomes U+FFFD. Valid text comes back unchanged.
std::string validUTF8(std::string_view text);

// The text without the white space and line breaks at either end, counted the
// way Unicode does (tabs, U+0085, the space and separator characters), not just ASCII.
std::string_view trimmedWhitespaceAndNewlines(std::string_view text);

// The same without touching line breaks: only the blanks at either end go.
std::string_view trimmedWhitespace(std::string_view text);

// True when nothing is left after trimming.
bool isBlank(std::string_view text);

}  // namespace zerazov
