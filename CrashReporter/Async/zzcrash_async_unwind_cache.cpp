#include "CrashReporter/Async/zzcrash_async_unwind_cache.h"

#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

using Row = zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t>;

std::size_t slotOf(std::uint64_t pc) {
    const std::uint64_t mixed = pc * 0x9e3779b97f4a7c15ull;
    return static_cast<std::size_t>(mixed >> 57) % ZZCRASH_ASYNC_UNWIND_CACHE_ENTRIES;
}

}  // namespace

void zzcrash_async_unwind_cache_init(zzcrash_async_unwind_cache* cache) {
    for (zzcrash_async_unwind_cache_entry& entry : cache->entries) entry.image = nullptr;
}

const Row* zzcrash_async_unwind_cache_lookup(const zzcrash_async_unwind_cache* cache,
                                             const zzcrash_async_image* image, std::uint64_t pc) {
    const zzcrash_async_unwind_cache_entry& entry = cache->entries[slotOf(pc)];
    return entry.image == image && entry.pc == pc ? &entry.row : nullptr;
}

void zzcrash_async_unwind_cache_store(zzcrash_async_unwind_cache* cache, const zzcrash_async_image* image,
                                      std::uint64_t pc, const Row* row) {
    zzcrash_async_unwind_cache_entry& entry = cache->entries[slotOf(pc)];
    entry.image = image;
    entry.pc = pc;
    zzcrash_async_memcpy(&entry.row, row, sizeof *row);
}
