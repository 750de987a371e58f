#include "CrashReporter/Async/zzcrash_async_page_cache.h"

#include "CrashReporter/Async/zzcrash_async_string.h"
#include "CrashReporter/Platform/zzcrash_memory_read.h"

namespace {

constexpr std::uint64_t blockMask = ZZCRASH_ASYNC_PAGE_CACHE_BLOCK_BYTES - 1;

const std::uint8_t* heldBlock(const zzcrash_async_page_cache* cache, std::uint64_t block) {
    const std::size_t count =
        cache->held < ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS ? cache->held : ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS;
    for (std::size_t i = 0; i < count; ++i)
        if (cache->addresses[i] == block) return cache->blocks[i];
    return nullptr;
}

// The block copied into a free slot, else into the one kept longest; null
// when the block cannot be read whole (the slot is then left empty).
const std::uint8_t* fillBlock(zzcrash_async_page_cache* cache, std::uint64_t block) {
    const bool full = cache->held >= ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS;
    const std::size_t slot = full ? cache->next : cache->held;
    std::uint8_t* bytes = cache->blocks[slot];
    if (zzcrash_memory_read(block, bytes, ZZCRASH_ASYNC_PAGE_CACHE_BLOCK_BYTES, nullptr) != ZZCRASH_MEMORY_OK) {
        // A slot taken over keeps no stale address: its bytes are partly overwritten.
        if (full) cache->addresses[slot] = ~std::uint64_t{0};
        return nullptr;
    }
    cache->addresses[slot] = block;
    if (full)
        cache->next = (cache->next + 1) % ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS;
    else
        ++cache->held;
    return bytes;
}

}  // namespace

void zzcrash_async_page_cache_init(zzcrash_async_page_cache* cache) {
    cache->held = 0;
    cache->next = 0;
}

zzcrash_error_t zzcrash_async_page_cache_copy(zzcrash_async_page_cache* cache, zzcrash_task_t task,
                                              std::uint64_t address, void* destination, std::uint64_t length) {
    std::uint64_t end = 0;
    if (!cache || length == 0 || __builtin_add_overflow(address, length, &end))
        return zzcrash_async_task_copy(task, address, 0, destination, length);
    auto* out = static_cast<std::uint8_t*>(destination);
    for (std::uint64_t at = address; at < end;) {
        const std::uint64_t block = at & ~blockMask;
        const std::uint8_t* bytes = heldBlock(cache, block);
        if (!bytes) bytes = fillBlock(cache, block);
        if (!bytes) return zzcrash_async_task_copy(task, address, 0, destination, length);
        const std::uint64_t inBlock = at - block;
        const std::uint64_t left = end - at;
        const std::uint64_t take = left < ZZCRASH_ASYNC_PAGE_CACHE_BLOCK_BYTES - inBlock
                                       ? left
                                       : ZZCRASH_ASYNC_PAGE_CACHE_BLOCK_BYTES - inBlock;
        zzcrash_async_memcpy(out, bytes + inBlock, take);
        out += take;
        at += take;
    }
    return ZZCRASH_ESUCCESS;
}
