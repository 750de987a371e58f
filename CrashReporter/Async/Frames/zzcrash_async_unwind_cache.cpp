#include "CrashReporter/Async/Frames/zzcrash_async_unwind_cache.h"

#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

using Row = zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t>;

// A row lives in its pc's home slot or one of the slots after it, so that
// the few return addresses of one stack that share a home do not keep
// throwing each other out.
constexpr std::size_t probes = 8;

std::size_t homeOf(std::uint64_t pc) {
    const std::uint64_t mixed = pc * 0x9e3779b97f4a7c15ull;
    return static_cast<std::size_t>(mixed >> 57) % ZZCRASH_ASYNC_UNWIND_CACHE_ENTRIES;
}

std::size_t slot(std::uint64_t pc, std::size_t probe) {
    return (homeOf(pc) + probe) % ZZCRASH_ASYNC_UNWIND_CACHE_ENTRIES;
}

}  // namespace

void zzcrash_async_unwind_cache_init(zzcrash_async_unwind_cache* cache) {
    for (zzcrash_async_unwind_cache_entry& entry : cache->entries) entry.image = nullptr;
    for (zzcrash_async_cie_copy& cie : cache->cies) cie.image = nullptr;
    cache->next_cie = 0;
    zzcrash_async_page_cache_init(&cache->pages);
}

const zzcrash_async_cie_copy* zzcrash_async_unwind_cache_find_cie(const zzcrash_async_unwind_cache* cache,
                                                                  const zzcrash_async_image* image,
                                                                  std::uint64_t address) {
    for (const zzcrash_async_cie_copy& cie : cache->cies) {
        if (cie.image == image && cie.memo.address == address) return &cie;
    }
    return nullptr;
}

zzcrash_async_cie_copy* zzcrash_async_unwind_cache_cie_slot(zzcrash_async_unwind_cache* cache) {
    zzcrash_async_cie_copy* slot = &cache->cies[cache->next_cie];
    cache->next_cie = (cache->next_cie + 1) % ZZCRASH_ASYNC_UNWIND_CACHE_CIES;
    slot->image = nullptr;
    return slot;
}

const Row* zzcrash_async_unwind_cache_lookup(const zzcrash_async_unwind_cache* cache, const zzcrash_async_image* image,
                                             std::uint64_t pc) {
    for (std::size_t probe = 0; probe < probes; ++probe) {
        const zzcrash_async_unwind_cache_entry& entry = cache->entries[slot(pc, probe)];
        if (!entry.image) return nullptr;
        if (entry.image == image && entry.pc == pc) return &entry.row;
    }
    return nullptr;
}

// Into the first free slot of the pc's run, or over its home slot when the
// run is full.
void zzcrash_async_unwind_cache_store(zzcrash_async_unwind_cache* cache, const zzcrash_async_image* image,
                                      std::uint64_t pc, const Row* row) {
    std::size_t chosen = slot(pc, 0);
    for (std::size_t probe = 0; probe < probes; ++probe) {
        if (cache->entries[slot(pc, probe)].image) continue;
        chosen = slot(pc, probe);
        break;
    }
    zzcrash_async_unwind_cache_entry& entry = cache->entries[chosen];
    entry.image = image;
    entry.pc = pc;
    zzcrash_async_memcpy(&entry.row, row, sizeof *row);
}
