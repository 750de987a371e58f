#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// LEB128 decoding over any source of bytes: `next(std::uint8_t*)` answers the
// next byte's read code. A value takes at most 10 bytes (shifts 0 to 63); an
// eleventh is an encoding this reader does not support, so a run of
// continuation bytes can never make it read on without end.
inline constexpr std::uint64_t leb128_max_bytes = 10;

template <class NextByte>
zzcrash_error_t leb128_decode(NextByte next, bool isSigned, std::uint64_t* value, std::uint64_t* size) {
    std::uint64_t result = 0;
    unsigned shift = 0;
    for (std::uint64_t count = 1; count <= leb128_max_bytes; ++count, shift += 7) {
        std::uint8_t byte = 0;
        const zzcrash_error_t error = next(&byte);
        if (error != ZZCRASH_ESUCCESS) return error;
        result |= std::uint64_t{byte & 0x7fu} << shift;
        if (byte & 0x80) continue;
        if (isSigned && (byte & 0x40) && shift + 7 < 64) result |= ~std::uint64_t{0} << (shift + 7);
        *value = result;
        *size = count;
        return ZZCRASH_ESUCCESS;
    }
    return ZZCRASH_ENOTSUP;
}

}  // namespace zzcrash::ZZ::async
