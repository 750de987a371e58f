#include "CrashReporter/Async/zzcrash_async_byteorder.h"

namespace {

std::uint16_t same16(std::uint16_t value) { return value; }
std::uint32_t same32(std::uint32_t value) { return value; }
std::uint64_t same64(std::uint64_t value) { return value; }
std::uint16_t reverse16(std::uint16_t value) { return __builtin_bswap16(value); }
std::uint32_t reverse32(std::uint32_t value) { return __builtin_bswap32(value); }
std::uint64_t reverse64(std::uint64_t value) { return __builtin_bswap64(value); }

}  // namespace

const zzcrash_async_byteorder zzcrash_async_byteorder_direct{same16, same32, same64};
const zzcrash_async_byteorder zzcrash_async_byteorder_swapped{reverse16, reverse32, reverse64};
