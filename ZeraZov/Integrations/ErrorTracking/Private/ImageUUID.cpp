#include "ZeraZov/Integrations/ErrorTracking/Private/ImageUUID.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace zerazov {
namespace {

std::string grouped(std::string_view digits) {
    return std::string(digits.substr(0, 8)) + "-" + std::string(digits.substr(8, 4)) + "-" +
           std::string(digits.substr(12, 4)) + "-" + std::string(digits.substr(16, 4)) + "-" +
           std::string(digits.substr(20));
}

}  // namespace

std::optional<std::string> imageUUID(std::span<const std::uint8_t> buildId) {
    if (buildId.empty()) return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::copy_n(buildId.begin(), std::min(buildId.size(), bytes.size()), bytes.begin());
    std::string digits;
    for (const auto byte : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        digits += pair;
    }
    return grouped(digits);
}

std::string formatImageUUID(const std::string& text) {
    std::string digits;
    for (const char c : text) {
        if (c != '-') digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return digits.size() == 32 ? grouped(digits) : text;
}

}  // namespace zerazov
