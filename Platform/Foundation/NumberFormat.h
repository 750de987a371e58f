#pragma once
#include <charconv>
#include <cmath>
#include <string>

namespace platform {

// A 64-bit float as the shortest decimal that reads back as the same value,
// whole numbers keeping one zero after the point: 960 -> "960.0", 0.1 -> "0.1",
// 1e16 -> "1e+16". Plain notation for magnitudes in [1e-4, 1e16).
inline std::string formatDouble(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16);
    char buffer[64];
    const auto format = plain ? std::chars_format::fixed : std::chars_format::scientific;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    std::string text(buffer, result.ptr);
    if (plain && text.find('.') == std::string::npos) text += ".0";
    return text;
}

}  // namespace platform
