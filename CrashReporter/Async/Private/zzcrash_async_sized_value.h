#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"

namespace zzcrash::ZZ::async {

// Whether a read of this many bytes is one the unwind formats use.
inline bool is_value_size(std::uint64_t size) { return size == 1 || size == 2 || size == 4 || size == 8; }

// The value in the first `size` bytes (1, 2, 4 or 8) at `bytes`, zero-extended
// and passed through the byte order. Unwinding reads a few such values per
// frame, so the copies are of fixed sizes (single moves) and values in this
// machine's order skip the swap.
inline std::uint64_t sized_value(const zzcrash_async_byteorder* order, const void* bytes, std::uint64_t size) {
    const bool swapped = order != &zzcrash_async_byteorder_direct;
    switch (size) {
    case 2: {
        std::uint16_t value;
        __builtin_memcpy(&value, bytes, sizeof value);
        return swapped ? order->swap16(value) : value;
    }
    case 4: {
        std::uint32_t value;
        __builtin_memcpy(&value, bytes, sizeof value);
        return swapped ? order->swap32(value) : value;
    }
    case 8: {
        std::uint64_t value;
        __builtin_memcpy(&value, bytes, sizeof value);
        return swapped ? order->swap64(value) : value;
    }
    default: return *static_cast<const std::uint8_t*>(bytes);
    }
}

}  // namespace zzcrash::ZZ::async
