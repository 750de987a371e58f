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
extern const zzcrash_async_byteorder zzcrash_async_byteorder_direct;
// Values in the other order: every read reverses its bytes.
extern const zzcrash_async_byteorder zzcrash_async_byteorder_swapped;
