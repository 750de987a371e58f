#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_task.h"
#include "CrashReporter/Async/zzcrash_error.h"

// Blocks of the images' read-only data (unwind search tables, frame
// descriptions, symbol names), each copied once with the kernel's checked
// read and then read from here: a crash write reads the same few blocks of
// each image over and over, and every checked copy is a system call. Data
// an image maps read-only cannot change under the write, so a block copied
// once answers every later read of it; the cache is emptied as each write
// starts (images may have come and gone since the last one). Never for
// stacks or other writable memory. A block is 4 KiB at a 4 KiB boundary,
// so it lies inside one page and is readable whole exactly when the page
// is. Fixed size, allocates nothing; one reader at a time.
inline constexpr std::size_t ZZCRASH_ASYNC_PAGE_CACHE_BLOCK_BYTES = 4096;
inline constexpr std::size_t ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS = 64;

struct zzcrash_async_page_cache {
    std::uint64_t addresses[ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS];  // task address of each block held
    std::size_t held;  // blocks filled since init (slots 0..held-1 while below the capacity)
    std::size_t next;  // the slot the next block takes once all are filled: the one kept longest
    alignas(64) std::uint8_t blocks[ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS][ZZCRASH_ASYNC_PAGE_CACHE_BLOCK_BYTES];
};

void zzcrash_async_page_cache_init(zzcrash_async_page_cache* cache);

// `length` bytes of read-only data at `address` into `destination`, with
// zzcrash_async_task_copy's codes: from the blocks held, and a block not yet
// held copied whole first. When a block cannot be read whole (the range runs
// into an unreadable page) the range is copied directly instead, so the
// answer is always what a checked copy of the range itself would give. A
// null cache copies directly. Async-signal-safe.
zzcrash_error_t zzcrash_async_page_cache_copy(zzcrash_async_page_cache* cache, zzcrash_task_t task,
                                              std::uint64_t address, void* destination, std::uint64_t length);
