#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zerazov {

// An image's build id as an image UUID: its first 16 bytes (zero-padded when it is
// shorter) in upper-case 8-4-4-4-12 hexadecimal groups; nothing without one.
std::optional<std::string> imageUUID(std::span<const std::uint8_t> buildId);

// A UUID text as debug images carry it: without its hyphens, upper-case and grouped
// 8-4-4-4-12 when 32 characters remain; any other text as it is.
std::string formatImageUUID(const std::string& text);

}  // namespace zerazov
