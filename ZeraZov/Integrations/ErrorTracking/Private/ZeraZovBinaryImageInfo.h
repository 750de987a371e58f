#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace zerazov {

// One loaded image that frames of an "$exception" event point into, so that their
// addresses can be related to a build of a file.
struct ZeraZovBinaryImageInfo {
    std::string name;                        // the path as the loader or the crash report gives it
    std::optional<std::string> uuid;         // upper-case 8-4-4-4-12 hexadecimal groups
    std::optional<std::uint64_t> vmAddress;  // where the image was linked to be loaded
    std::uint64_t address = 0;               // where it was loaded
    std::uint64_t size = 0;
    std::optional<std::string> arch;

    // "type", "code_file", "image_addr", "image_size", and "debug_id", "arch" when
    // present, "image_vmaddr" when present and not 0.
    nlohmann::json toDictionary() const;
};

// An image's build id as an image UUID: its first 16 bytes (zero-padded when it is
// shorter) in upper-case 8-4-4-4-12 hexadecimal groups; nothing without one.
std::optional<std::string> imageUUID(std::span<const std::uint8_t> buildId);

// A UUID text as debug images carry it: without its hyphens, upper-case and grouped
// 8-4-4-4-12 when 32 characters remain; any other text as it is.
std::string formatImageUUID(const std::string& text);

}  // namespace zerazov
