#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {
namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

struct Scalar {
    char32_t value = 0;
    std::size_t length = 0;  // 0: no well-formed sequence starts here
};

std::size_t expectedLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}

// Rejects what a decoder must not accept: overlong forms, surrogates and values
// beyond U+10FFFF.
bool isWellFormed(char32_t value, std::size_t length) {
    static constexpr char32_t smallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallestOfLength[length]) return false;
    if (value >= 0xD800 && value <= 0xDFFF) return false;
    return value <= 0x10FFFF;
}

Scalar decodeAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = expectedLength(lead);
    if (length == 0 || text.size() - at < length) return {};
    if (length == 1) return {lead, 1};
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return {};
        value = (value << 6) | (next & 0x3F);
    }
    if (!isWellFormed(value, length)) return {};
    return {value, length};
}

// The scalar that ends the text, found by stepping back over continuation bytes.
Scalar decodeLast(std::string_view text) {
    const std::size_t earliest = text.size() > 4 ? text.size() - 4 : 0;
    for (std::size_t start = text.size(); start-- > earliest;) {
        if ((static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) continue;
        const Scalar scalar = decodeAt(text, start);
        return start + scalar.length == text.size() ? scalar : Scalar{};
    }
    return {};
}

bool isNewline(char32_t value) {
    return (value >= 0x0A && value <= 0x0D) || value == 0x85 || value == 0x2028 || value == 0x2029;
}

bool isWhitespaceOrNewline(char32_t value) {
    if (value >= 0x09 && value <= 0x0D) return true;
    if (value >= 0x2000 && value <= 0x200A) return true;
    switch (value) {
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000: return true;
    default: return false;
    }
}

template <typename Trimmed>
std::string_view trimmed(std::string_view text, Trimmed isTrimmed) {
    while (!text.empty()) {
        const Scalar first = decodeAt(text, 0);
        if (first.length == 0 || !isTrimmed(first.value)) break;
        text.remove_prefix(first.length);
    }
    while (!text.empty()) {
        const Scalar last = decodeLast(text);
        if (last.length == 0 || !isTrimmed(last.value)) break;
        text.remove_suffix(last.length);
    }
    return text;
}

}  // namespace

std::string validUTF8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Scalar scalar = decodeAt(text, at);
        if (scalar.length == 0) {
            result.append(replacementCharacter);
            ++at;
            continue;
        }
        result.append(text.substr(at, scalar.length));
        at += scalar.length;
    }
    return result;
}

std::string_view trimmedWhitespaceAndNewlines(std::string_view text) { return trimmed(text, isWhitespaceOrNewline); }

std::string_view trimmedWhitespace(std::string_view text) {
    return trimmed(text, [](char32_t value) { return isWhitespaceOrNewline(value) && !isNewline(value); });
}

bool isBlank(std::string_view text) { return trimmedWhitespaceAndNewlines(text).empty(); }

}  // namespace zerazov
