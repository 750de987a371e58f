#include "tests/CrashReporter/Support/HexText.h"

#include <cstdio>

namespace tessivar::testing {

std::string hexText(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

}  // namespace tessivar::testing
