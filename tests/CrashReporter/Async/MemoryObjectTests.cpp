#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Support/GuardedPages.h"

namespace {

using tessivar::testing::GuardedPages;
using Object = zzcrash_async_mobject;

// Two readable pages filled with a pattern.
class TwoPages {
public:
    TwoPages() : size_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
        bytes_ = static_cast<unsigned char*>(
            mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        for (std::size_t i = 0; i < 2 * size_; ++i) bytes_[i] = static_cast<unsigned char>(i * 13);
    }
    ~TwoPages() { munmap(bytes_, 2 * size_); }
    std::uint64_t address(std::size_t offset) const { return reinterpret_cast<std::uint64_t>(bytes_ + offset); }
    unsigned char* bytes() const { return bytes_; }
    std::size_t pageSize() const { return size_; }

private:
    std::size_t size_;
    unsigned char* bytes_;
};

// A range across a page boundary maps both pages; the local address keeps the
// target's offset within its page, and the snapshot does not follow later
// changes of the source.
TEST(MemoryObject, MapsEveryPageOfTheRangeAsASnapshot) {
    TwoPages pages;
    const std::uint64_t target = pages.address(pages.pageSize() - 4);
    Object object;
    ASSERT_EQ(zzcrash_async_mobject_init(&object, ZZCRASH_TASK_SELF, target, 8, true), ZZCRASH_ESUCCESS);
    EXPECT_EQ(object.vm_length, 2 * pages.pageSize());
    EXPECT_EQ(zzcrash_async_mobject_length(&object), 8u);
    EXPECT_EQ(zzcrash_async_mobject_base_address(&object), target);
    EXPECT_EQ(zzcrash_async_mobject_task(&object), ZZCRASH_TASK_SELF);
    EXPECT_EQ(object.address % pages.pageSize(), target % pages.pageSize());
    std::uint64_t before = 0;
    std::memcpy(&before, pages.bytes() + pages.pageSize() - 4, 8);
    pages.bytes()[pages.pageSize()] = 0xEE;
    std::uint64_t value = 0;
    EXPECT_EQ(zzcrash_async_mobject_read_uint64(&object, &zzcrash_async_byteorder_direct, target, 0, &value),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(value, before);
    EXPECT_EQ(zzcrash_async_mobject_read_uint64(&object, &zzcrash_async_byteorder_swapped, target, 0, &value),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(value, __builtin_bswap64(before));
    zzcrash_async_mobject_free(&object);
}

// Without require-all the object covers what can be read, in whole pages;
// with it the range must be readable to the end.
TEST(MemoryObject, CoversTheReadablePrefixUnlessAllIsRequired) {
    GuardedPages pages;
    const std::uint64_t size = pages.pageSize();
    struct Case {
        std::uint64_t target;
        std::uint64_t length;
        bool requireAll;
        zzcrash_error_t error;
        std::uint64_t usable;
    };
    const Case cases[] = {
        {pages.readable() + size - 4, 8, false, ZZCRASH_ESUCCESS, 4},  // into the guard page
        {pages.readable() + size - 4, 8, true, ZZCRASH_ENOMEM, 0},
        {pages.readableBeforeGap() + size - 4, 8, false, ZZCRASH_ESUCCESS, 4},  // into the unmapped gap
        {pages.readableBeforeGap() + size - 4, 8, true, ZZCRASH_ENOMEM, 0},
        {pages.readable() + 16, 32, true, ZZCRASH_ESUCCESS, 32},
        {pages.unreadable(), 8, false, ZZCRASH_ENOMEM, 0},
        {pages.unmapped(), 8, false, ZZCRASH_ENOMEM, 0},
        {pages.readable(), 0, false, ZZCRASH_ENOMEM, 0},
        {std::numeric_limits<std::uint64_t>::max() - 4, 8, false, ZZCRASH_ENOMEM, 0},
    };
    for (const Case& c : cases) {
        Object object;
        EXPECT_EQ(zzcrash_async_mobject_init(&object, ZZCRASH_TASK_SELF, c.target, c.length, c.requireAll), c.error)
            << c.target - pages.readable() << " " << c.length;
        if (c.error != ZZCRASH_ESUCCESS) continue;
        EXPECT_EQ(object.length, c.usable);
        EXPECT_EQ(object.vm_length, size);
        std::uint8_t byte = 0;
        EXPECT_EQ(zzcrash_async_mobject_read_uint8(&object, c.target, static_cast<std::int64_t>(c.usable) - 1, &byte),
                  ZZCRASH_ESUCCESS);
        EXPECT_EQ(byte, GuardedPages::patternAt((c.target + c.usable - 1) % size));
        zzcrash_async_mobject_free(&object);
    }
}

// Every access is checked against the object's bounds, with overflow of any
// step of the address arithmetic counted as out of range.
TEST(MemoryObject, ReadsOutsideTheObjectAreInvalidArguments) {
    TwoPages pages;
    const std::uint64_t target = pages.address(100);
    Object object;
    ASSERT_EQ(zzcrash_async_mobject_init(&object, ZZCRASH_TASK_SELF, target, 16, true), ZZCRASH_ESUCCESS);
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    EXPECT_EQ(zzcrash_async_mobject_read_uint32(&object, &zzcrash_async_byteorder_direct, target, 14, &u32),
              ZZCRASH_EINVAL);
    EXPECT_EQ(zzcrash_async_mobject_read_uint32(&object, &zzcrash_async_byteorder_direct, target, 12, &u32),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(zzcrash_async_mobject_read_uint16(&object, &zzcrash_async_byteorder_direct, target + 14, 0, &u16),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(zzcrash_async_mobject_read_uint8(&object, target, 16, &u8), ZZCRASH_EINVAL);
    EXPECT_EQ(zzcrash_async_mobject_read_uint8(&object, target, -1, &u8), ZZCRASH_EINVAL);
    EXPECT_EQ(zzcrash_async_mobject_read_uint8(&object, target + 20, -5, &u8), ZZCRASH_ESUCCESS);
    EXPECT_EQ(u8, static_cast<std::uint8_t>((100 + 15) * 13));

    struct Case {
        std::uintptr_t local;
        std::int64_t offset;
        std::uint64_t length;
        bool inside;
    };
    const Case cases[] = {
        {object.address, 0, 16, true},
        {object.address, 1, 16, false},
        {object.address + 16, -16, 16, true},
        {object.address, -static_cast<std::int64_t>(object.address) - 1, 1, false},
        {object.address, 0, std::numeric_limits<std::uint64_t>::max(), false},
        {object.address + 8, std::numeric_limits<std::int64_t>::max(), 1, false},
        {object.address + 16, 0, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(zzcrash_async_mobject_check_range(&object, c.local, c.offset, c.length), c.inside)
            << c.local - object.address << " " << c.offset << " " << c.length;
    }
    EXPECT_EQ(zzcrash_async_mobject_local_pointer(&object, target, 4, 4),
              reinterpret_cast<const void*>(object.address + 4));
    EXPECT_EQ(zzcrash_async_mobject_local_pointer(&object, target, 4, 13), nullptr);
    zzcrash_async_mobject_free(&object);
}

// A parser that writes through a pointer into a snapshot faults instead of
// changing what the next reader sees.
TEST(MemoryObject, TheSnapshotIsReadOnly) {
    const auto result = tessivar::testing::runForked(
        [](int) {
            TwoPages pages;
            Object object;
            if (zzcrash_async_mobject_init(&object, ZZCRASH_TASK_SELF, pages.address(0), 8, true) != ZZCRASH_ESUCCESS)
                return 2;
            *reinterpret_cast<volatile char*>(object.address) = 1;
            return 0;
        },
        std::chrono::seconds(10));
    EXPECT_TRUE(result.killedBy(SIGSEGV)) << result.status;
}

}  // namespace
