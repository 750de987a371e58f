#include <sys/mman.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_page_cache.h"
#include "tests/CrashReporter/Support/GuardedPages.h"

namespace {

using tessivar::testing::GuardedPages;
constexpr std::uint64_t blockBytes = ZZCRASH_ASYNC_PAGE_CACHE_BLOCK_BYTES;

std::unique_ptr<zzcrash_async_page_cache> emptyCache() {
    auto cache = std::make_unique<zzcrash_async_page_cache>();
    zzcrash_async_page_cache_init(cache.get());
    return cache;
}

// Every copy answers what a checked copy of the same range answers, code and
// bytes, whether the blocks it needs are held already (one cache for all the
// ranges, in order) or not (a fresh cache for each), and without a cache.
TEST(PageCache, AnswersWhatACheckedCopyOfTheRangeAnswers) {
    GuardedPages pages;
    const std::uint64_t size = pages.pageSize();
    struct Case {
        const char* what;
        std::uint64_t address;
        std::uint64_t length;
    };
    const Case cases[] = {
        {"inside a page", pages.readable() + 100, 200},
        {"a whole page", pages.readable(), size},
        {"the last bytes of a page", pages.readable() + size - 8, 8},
        {"again, from the block held", pages.readable() + 96, 300},
        {"running into the guard page", pages.readable() + size - 8, 16},
        {"inside the guard page", pages.unreadable() + 8, 8},
        {"from the guard page into a readable one", pages.unreadable() + size - 4, 8},
        {"the readable page after the guard", pages.readableBeforeGap() + 4, 64},
        {"running into the gap", pages.readableBeforeGap() + size - 4, 8},
        {"inside the gap", pages.unmapped(), 8},
        {"nothing", pages.readable(), 0},
        {"past the top of the address space", std::numeric_limits<std::uint64_t>::max() - 15, 32},
    };
    const auto warm = emptyCache();
    for (const Case& c : cases) {
        std::vector<std::uint8_t> expected(c.length + 1, 0xAA);
        const zzcrash_error_t direct =
            zzcrash_async_task_copy(ZZCRASH_TASK_SELF, c.address, 0, expected.data(), c.length);
        const auto fresh = emptyCache();
        for (zzcrash_async_page_cache* cache :
             {warm.get(), fresh.get(), static_cast<zzcrash_async_page_cache*>(nullptr)}) {
            std::vector<std::uint8_t> copied(c.length + 1, 0xAA);
            const zzcrash_error_t error =
                zzcrash_async_page_cache_copy(cache, ZZCRASH_TASK_SELF, c.address, copied.data(), c.length);
            EXPECT_EQ(error, direct) << c.what;
            if (direct == ZZCRASH_ESUCCESS) {
                EXPECT_EQ(copied, expected) << c.what;
            }
        }
    }
}

// Memory for the blocks a cache holds: one more block than it has room for.
class Blocks {
public:
    static constexpr std::size_t count = ZZCRASH_ASYNC_PAGE_CACHE_BLOCKS + 1;
    Blocks() {
        void* mapping = mmap(nullptr, count * blockBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        bytes_ = mapping == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(mapping);
        for (std::size_t i = 0; bytes_ && i < count * blockBytes; ++i)
            bytes_[i] = static_cast<std::uint8_t>(i / blockBytes);
    }
    ~Blocks() {
        if (bytes_) munmap(bytes_, count * blockBytes);
    }
    Blocks(const Blocks&) = delete;
    Blocks& operator=(const Blocks&) = delete;

    bool mapped() const { return bytes_ != nullptr; }
    std::uint64_t address(std::size_t block, std::uint64_t offset = 0) const {
        return reinterpret_cast<std::uint64_t>(bytes_) + block * blockBytes + offset;
    }
    void mark(std::size_t block, std::uint8_t value) { bytes_[block * blockBytes + 10] = value; }

private:
    std::uint8_t* bytes_;
};

// Byte 10 of the block as the cache answers it.
std::uint8_t markOf(zzcrash_async_page_cache* cache, const Blocks& blocks, std::size_t block) {
    std::uint8_t byte = 0xEE;
    EXPECT_EQ(zzcrash_async_page_cache_copy(cache, ZZCRASH_TASK_SELF, blocks.address(block, 10), &byte, 1),
              ZZCRASH_ESUCCESS);
    return byte;
}

// A block is copied once and then answered from the copy (the memory it came
// from is read-only to the cache's readers; changing it here shows which copy
// answers), until the cache is emptied or the block is the one kept longest
// when a new block needs its slot. A range across blocks comes out whole.
TEST(PageCache, ServesABlockFromItsCopyUntilEmptiedOrDisplaced) {
    Blocks blocks;
    ASSERT_TRUE(blocks.mapped());
    const auto cache = emptyCache();
    std::uint8_t across[3 * blockBytes] = {};
    ASSERT_EQ(
        zzcrash_async_page_cache_copy(cache.get(), ZZCRASH_TASK_SELF, blocks.address(0, 8), across, sizeof across),
        ZZCRASH_ESUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(across), sizeof across),
              std::string(reinterpret_cast<char*>(blocks.address(0, 8)), sizeof across));

    blocks.mark(0, 0xC0);
    EXPECT_EQ(markOf(cache.get(), blocks, 0), 0) << "a block held is answered from its copy";
    zzcrash_async_page_cache_init(cache.get());
    EXPECT_EQ(markOf(cache.get(), blocks, 0), 0xC0) << "an emptied cache copies the block again";

    for (std::size_t block = 1; block < Blocks::count; ++block) markOf(cache.get(), blocks, block);
    const std::size_t last = Blocks::count - 1;
    for (std::size_t block : {std::size_t{0}, std::size_t{1}, last}) blocks.mark(block, 0xC1);
    EXPECT_EQ(markOf(cache.get(), blocks, 1), 1) << "the second block is still held";
    EXPECT_EQ(markOf(cache.get(), blocks, 0), 0xC1) << "the first block gave its slot to the last";
    EXPECT_EQ(markOf(cache.get(), blocks, last), last) << "the first block, copied again, took the second's slot";
}

}  // namespace
