#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace zzcrash::ZZ::async {

// Whether a read of this many bytes is one the unwind formats use.
inline bool is_value_size(std::uint64_t size) { return size == 1 || size == 2 || size == 4 || size == 8; }

// The value in the first `size` bytes (1, 2, 4 or 8) at `bytes`, zero-extended
// and passed through the byte order.
inline std::uint64_t sized_value(const zzcrash_async_byteorder* order, const void* bytes, std::uint64_t size) {
    std::uint64_t value = 0;
    zzcrash_async_memcpy(&value, bytes, size);
    switch (size) {
    case 2: return order->swap16(static_cast<std::uint16_t>(value));
    case 4: return order->swap32(static_cast<std::uint32_t>(value));
    case 8: return order->swap64(value);
    default: return value;
    }
}

}  // namespace zzcrash::ZZ::async
