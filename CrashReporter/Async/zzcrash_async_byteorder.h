#pragma once
#include <cstdint>

// How multi-byte values read from target memory turn into this machine's
// order: each image has one of the two records, and every value read from it
// passes through that record.
struct zzcrash_async_byteorder {
    std::uint16_t (*swap16)(std::uint16_t);
    std::uint32_t (*swap32)(std::uint32_t);
    std::uint64_t (*swap64)(std::uint64_t);
};

// Values already in this machine's order.
inline constexpr zzcrash_async_byteorder zzcrash_async_byteorder_direct{
    [](std::uint16_t value) { return value; },
    [](std::uint32_t value) { return value; },
    [](std::uint64_t value) { return value; },
};
// Values in the other order: every read reverses its bytes.
inline constexpr zzcrash_async_byteorder zzcrash_async_byteorder_swapped{
    [](std::uint16_t value) { return __builtin_bswap16(value); },
    [](std::uint32_t value) { return __builtin_bswap32(value); },
    [](std::uint64_t value) { return __builtin_bswap64(value); },
};
