// The cache of unwind rows: a stack's few return addresses all stay in it,
// whatever their addresses.
#include <cstdint>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Frames/zzcrash_async_unwind_cache.h"

namespace {

using Row = zzcrash::ZZ::async::dwarf_cfa_row<std::uint64_t, std::int64_t>;

Row rowFor(std::uint64_t pc) {
    Row row{};
    row.cfa.offset_or_length = pc;  // marks whose row it is
    return row;
}

TEST(UnwindCache, EightReturnAddressesAlwaysStay) {
    auto cache = std::make_unique<zzcrash_async_unwind_cache>();
    const zzcrash_async_image image{0x1000, 0x1000, nullptr};
    std::mt19937_64 random(17);
    for (int round = 0; round < 200; ++round) {
        zzcrash_async_unwind_cache_init(cache.get());
        std::uint64_t pcs[8];
        for (std::uint64_t& pc : pcs) {
            pc = random() & 0x7fffffffffff;
            const Row row = rowFor(pc);
            zzcrash_async_unwind_cache_store(cache.get(), &image, pc, &row);
        }
        for (std::uint64_t pc : pcs) {
            const Row* row = zzcrash_async_unwind_cache_lookup(cache.get(), &image, pc);
            ASSERT_NE(row, nullptr) << "round " << round;
            EXPECT_EQ(row->cfa.offset_or_length, pc);
        }
    }
}

TEST(UnwindCache, RowsBelongToTheirImage) {
    auto cache = std::make_unique<zzcrash_async_unwind_cache>();
    zzcrash_async_unwind_cache_init(cache.get());
    const zzcrash_async_image first{0x1000, 0x1000, nullptr};
    const zzcrash_async_image second{0x1000, 0x1000, nullptr};  // an image loaded where the first was
    const Row row = rowFor(0x1234);
    EXPECT_EQ(zzcrash_async_unwind_cache_lookup(cache.get(), &first, 0x1234), nullptr);
    zzcrash_async_unwind_cache_store(cache.get(), &first, 0x1234, &row);
    EXPECT_NE(zzcrash_async_unwind_cache_lookup(cache.get(), &first, 0x1234), nullptr);
    EXPECT_EQ(zzcrash_async_unwind_cache_lookup(cache.get(), &second, 0x1234), nullptr);
    EXPECT_EQ(zzcrash_async_unwind_cache_lookup(cache.get(), &first, 0x1235), nullptr);
}

}  // namespace
