#include "CrashReporter/Private/zzcrash_utf8.h"

#include <cstring>

namespace {

// Continuation bytes a lead byte needs; -1 for a byte that cannot lead.
int continuationsAfter(unsigned char lead) {
    if (lead < 0x80) return 0;
    if (lead >= 0xC0 && lead <= 0xDF) return 1;
    if (lead >= 0xE0 && lead <= 0xEF) return 2;
    if (lead >= 0xF0 && lead <= 0xF7) return 3;
    return -1;
}

bool continuationsValid(const unsigned char* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) return false;
    }
    return true;
}

}  // namespace

std::size_t zzcrash_utf8_valid_prefix_length(const char* text, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t position = length > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    while (position < length && bytes[position] != 0) {
        const int needed = continuationsAfter(bytes[position]);
        if (needed < 0 || length - position - 1 < static_cast<std::size_t>(needed)) break;
        if (!continuationsValid(bytes + position + 1, needed)) break;
        position += 1 + static_cast<std::size_t>(needed);
    }
    return position;
}

std::size_t zzcrash_utf8_valid_length(const char* string) {
    return zzcrash_utf8_valid_prefix_length(string, std::strlen(string));
}
