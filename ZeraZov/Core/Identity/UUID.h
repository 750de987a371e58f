#pragma once
#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zerazov {

// A 128-bit identifier; its text is 36 upper-case hexadecimal characters in
// groups of 8-4-4-4-12, byte 0 first, and sorts like the bytes do.
class UUID {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    UUID() = default;  // all zero
    explicit UUID(const Bytes& bytes) : bytes_(bytes) {}

    // A random (version 4) id.
    static UUID random();
    // Either case is read; anything but the 36-character form answers nothing.
    static std::optional<UUID> fromString(std::string_view text);

    const Bytes& bytes() const { return bytes_; }
    std::string uuidString() const;

    friend auto operator<=>(const UUID&, const UUID&) = default;

private:
    Bytes bytes_{};
};

}  // namespace zerazov
