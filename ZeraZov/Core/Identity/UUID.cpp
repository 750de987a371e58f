#include "ZeraZov/Core/Identity/UUID.h"

#include "Platform/Foundation/SecureRandom.h"
#include "ZeraZov/Core/Identity/Private/FallbackRandom.h"

namespace zerazov {
namespace {

constexpr std::size_t kTextLength = 36;

bool isHyphenPosition(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

std::optional<std::uint8_t> hexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return std::nullopt;
}

}  // namespace

UUID UUID::random() {
    Bytes bytes;
    if (platform::SecureRandom::fill(bytes)) FallbackRandom::fill(bytes);
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return UUID(bytes);
}

std::optional<UUID> UUID::fromString(std::string_view text) {
    if (text.size() != kTextLength) return std::nullopt;
    Bytes bytes{};
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHyphenPosition(i)) {
            if (text[i] != '-') return std::nullopt;
            continue;
        }
        const auto value = hexValue(text[i]);
        if (!value) return std::nullopt;
        bytes[nibble / 2] = static_cast<std::uint8_t>(bytes[nibble / 2] | (nibble % 2 == 0 ? *value << 4 : *value));
        ++nibble;
    }
    return UUID(bytes);
}

std::string UUID::uuidString() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kTextLength);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(kDigits[bytes_[i] >> 4]);
        text.push_back(kDigits[bytes_[i] & 0x0F]);
    }
    return text;
}

}  // namespace zerazov
