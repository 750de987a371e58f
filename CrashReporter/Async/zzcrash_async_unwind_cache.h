#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_dwarf_cfa_row.h"
#include "CrashReporter/Async/zzcrash_async_image_list.h"

inline constexpr std::size_t ZZCRASH_ASYNC_UNWIND_CACHE_ENTRIES = 128;

// Unwind-table rows already worked out, by image and lookup pc: stacks repeat
// the same return addresses (every thread starts in the same few functions,
// recursion returns to one address), and a row found once spares the search
// through the image's call-frame information. An image record outlives its
// removal from the list, so an entry can never name another image's code;
// clear the cache when the image list itself is freed. Rows whose rules
// evaluate expressions are not kept (their expressions stay in the section).
// Fixed size, allocates nothing; one walker at a time.
struct zzcrash_async_unwind_cache_entry {
    const zzcrash_async_image* image;  // null: empty
    std::uint64_t pc;
    zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t> row;
};
struct zzcrash_async_unwind_cache {
    zzcrash_async_unwind_cache_entry entries[ZZCRASH_ASYNC_UNWIND_CACHE_ENTRIES];
};

void zzcrash_async_unwind_cache_init(zzcrash_async_unwind_cache* cache);
// The row kept for the pc in the image, or null.
const zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t>* zzcrash_async_unwind_cache_lookup(
    const zzcrash_async_unwind_cache* cache, const zzcrash_async_image* image, std::uint64_t pc);
// Keeps the row, in place of whatever row shared its slot.
void zzcrash_async_unwind_cache_store(zzcrash_async_unwind_cache* cache, const zzcrash_async_image* image,
                                      std::uint64_t pc,
                                      const zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t>* row);
