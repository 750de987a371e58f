#include "CrashReporter/Report/Private/zzcrash_utf8_repair.h"

#include <cstddef>

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

// How a lead byte starts a character: its continuation bytes and the range
// the first of them must lie in (narrower than 80..BF where a wider range would
// allow overlong forms, surrogates or code points beyond U+10FFFF).
struct Lead {
    int continuations = -1;  // -1: the byte cannot start a character
    unsigned char firstLow = 0x80;
    unsigned char firstHigh = 0xBF;
};

Lead leadOf(unsigned char byte) {
    if (byte < 0x80) return {0};
    if (byte >= 0xC2 && byte <= 0xDF) return {1};
    if (byte == 0xE0) return {2, 0xA0, 0xBF};
    if (byte == 0xED) return {2, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {2};
    if (byte == 0xF0) return {3, 0x90, 0xBF};
    if (byte == 0xF4) return {3, 0x80, 0x8F};
    if (byte >= 0xF1 && byte <= 0xF3) return {3};
    return {};
}

// The bytes of the well-formed character at `position`, or the length of its
// maximal ill-formed subpart as a negative number (at least one byte).
std::ptrdiff_t characterAt(std::string_view bytes, std::size_t position) {
    const Lead lead = leadOf(static_cast<unsigned char>(bytes[position]));
    if (lead.continuations < 0) return -1;
    std::size_t next = position + 1;
    for (int i = 0; i < lead.continuations; ++i, ++next) {
        const unsigned char low = i == 0 ? lead.firstLow : 0x80;
        const unsigned char high = i == 0 ? lead.firstHigh : 0xBF;
        const bool fits = next < bytes.size() && static_cast<unsigned char>(bytes[next]) >= low &&
                          static_cast<unsigned char>(bytes[next]) <= high;
        if (!fits) return -static_cast<std::ptrdiff_t>(next - position);
    }
    return static_cast<std::ptrdiff_t>(next - position);
}

}  // namespace

std::string zzcrash_utf8_repaired(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t position = 0;
    while (position < bytes.size()) {
        const std::ptrdiff_t length = characterAt(bytes, position);
        if (length > 0) {
            text.append(bytes.substr(position, static_cast<std::size_t>(length)));
            position += static_cast<std::size_t>(length);
            continue;
        }
        text.append(replacementCharacter);
        position += static_cast<std::size_t>(-length);
    }
    return text;
}
