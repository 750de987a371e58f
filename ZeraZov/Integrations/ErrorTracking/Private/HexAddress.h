#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zerazov {

// An address as error reports write it: "0x" and sixteen lower-case hexadecimal digits.
std::string hexAddressText(std::uint64_t address);

// A hexadecimal number with or without "0x" or "0X" in front; nothing for anything else.
std::optional<std::uint64_t> parseHexAddress(std::string_view text);

}  // namespace zerazov
