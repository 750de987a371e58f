#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"

#include <charconv>
#include <cstdio>

namespace zerazov {

std::string hexAddressText(std::uint64_t address) {
    char text[19];
    std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(address));
    return text;
}

std::optional<std::uint64_t> parseHexAddress(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace zerazov
