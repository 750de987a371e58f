#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cfa_row.h"
#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_fde_info.h"
#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "CrashReporter/Async/zzcrash_async_page_cache.h"

inline constexpr std::size_t ZZCRASH_ASYNC_UNWIND_CACHE_ENTRIES = 128;
inline constexpr std::size_t ZZCRASH_ASYNC_UNWIND_CACHE_CIES = 8;
// Where an image has a search table, a step copies only the FDE it needs and
// that FDE's CIE, each into a buffer of this size (a longer entry is read
// through the whole section).
inline constexpr std::size_t ZZCRASH_ASYNC_CFI_ENTRY_BYTES = 256;

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
// A CIE copied and parsed for a step, kept for the steps after it: an
// image's FDEs share few CIEs, and a crash's threads run through the same images.
struct zzcrash_async_cie_copy {
    const zzcrash_async_image* image;  // null: empty
    zzcrash_async_mobject mobj;        // over `bytes`
    zzcrash::ZZ::async::zzcrash_async_dwarf_cie_memo memo;
    std::uint8_t bytes[ZZCRASH_ASYNC_CFI_ENTRY_BYTES];
};
struct zzcrash_async_unwind_cache {
    zzcrash_async_unwind_cache_entry entries[ZZCRASH_ASYNC_UNWIND_CACHE_ENTRIES];
    zzcrash_async_cie_copy cies[ZZCRASH_ASYNC_UNWIND_CACHE_CIES];
    std::size_t next_cie;  // the slot a new copy takes, in turn
    // The images' search-table blocks and frame descriptions a walk copied:
    // neighbouring functions' entries share blocks.
    zzcrash_async_page_cache pages;
};

// Empties the rows, the CIEs and the blocks.
void zzcrash_async_unwind_cache_init(zzcrash_async_unwind_cache* cache);
// The row kept for the pc in the image, or null.
const zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t>* zzcrash_async_unwind_cache_lookup(
    const zzcrash_async_unwind_cache* cache, const zzcrash_async_image* image, std::uint64_t pc);
// Keeps the row, in place of whatever row shared its slot.
void zzcrash_async_unwind_cache_store(zzcrash_async_unwind_cache* cache, const zzcrash_async_image* image,
                                      std::uint64_t pc,
                                      const zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t>* row);
// The kept copy of the CIE whose length field is at `address` in `image`, or null.
const zzcrash_async_cie_copy* zzcrash_async_unwind_cache_find_cie(const zzcrash_async_unwind_cache* cache,
                                                                  const zzcrash_async_image* image,
                                                                  std::uint64_t address);
// The slot for a new copy, in place of the one kept longest; emptied.
zzcrash_async_cie_copy* zzcrash_async_unwind_cache_cie_slot(zzcrash_async_unwind_cache* cache);
