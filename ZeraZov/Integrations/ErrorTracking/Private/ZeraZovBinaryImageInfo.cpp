#include "ZeraZov/Integrations/ErrorTracking/Private/ZeraZovBinaryImageInfo.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"

namespace zerazov {
namespace {

std::string grouped(std::string_view digits) {
    return std::string(digits.substr(0, 8)) + "-" + std::string(digits.substr(8, 4)) + "-" +
           std::string(digits.substr(12, 4)) + "-" + std::string(digits.substr(16, 4)) + "-" +
           std::string(digits.substr(20));
}

}  // namespace

nlohmann::json ZeraZovBinaryImageInfo::toDictionary() const {
    nlohmann::json image{
        {"type", "macho"}, {"code_file", name}, {"image_addr", hexAddressText(address)}, {"image_size", size}};
    if (uuid) image["debug_id"] = *uuid;
    if (vmAddress && *vmAddress != 0) image["image_vmaddr"] = hexAddressText(*vmAddress);
    if (arch) image["arch"] = *arch;
    return image;
}

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
