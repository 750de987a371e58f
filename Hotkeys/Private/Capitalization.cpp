#include "Hotkeys/Private/Capitalization.h"

#include <cstdint>
#include <locale>
#include <optional>
#include <stdexcept>

#include "Hotkeys/ModifierFlags.h"

namespace hotkeys {

namespace {

struct Decoded {
    std::uint32_t scalar;
    std::size_t length;
};

// One UTF-8 sequence at the start of `text`; none for a malformed one.
std::optional<Decoded> decodeScalar(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return Decoded{lead, 1};
    std::size_t length = 0;
    std::uint32_t scalar = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        scalar = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        scalar = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        scalar = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (text.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) return std::nullopt;
        scalar = (scalar << 6) | (byte & 0x3F);
    }
    return Decoded{scalar, length};
}

// Case mapping of the whole of Unicode, whatever locale the process runs in.
const std::ctype<wchar_t>& unicodeCase() {
    static const std::locale locale = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::locale::classic();  // ASCII case only
        }
    }();
    return std::use_facet<std::ctype<wchar_t>>(locale);
}

std::uint32_t mapCase(std::uint32_t scalar, bool upper) {
    const auto& facet = unicodeCase();
    const auto wide = static_cast<wchar_t>(scalar);
    return static_cast<std::uint32_t>(upper ? facet.toupper(wide) : facet.tolower(wide));
}

// Each scalar mapped by `upperAt(previous scalar)`: true for upper case.
template <typename UpperAt>
std::string mapScalars(std::string_view text, UpperAt upperAt) {
    std::string result;
    std::uint32_t previous = ' ';
    while (!text.empty()) {
        const auto decoded = decodeScalar(text);
        if (!decoded) {
            result += text[0];
            text.remove_prefix(1);
            continue;
        }
        const std::uint32_t mapped = mapCase(decoded->scalar, upperAt(previous));
        result += stringFromUnicodeScalar(mapped).value_or(std::string(text.substr(0, decoded->length)));
        previous = decoded->scalar;
        text.remove_prefix(decoded->length);
    }
    return result;
}

}  // namespace

std::string capitalized(std::string_view text) {
    return mapScalars(text,
                      [](std::uint32_t previous) { return previous == ' ' || previous == '\t' || previous == '\n'; });
}

std::string lowercased(std::string_view text) {
    return mapScalars(text, [](std::uint32_t) { return false; });
}

}  // namespace hotkeys
