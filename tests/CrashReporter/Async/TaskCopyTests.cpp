#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_task.h"
#include "CrashReporter/Platform/zzcrash_memory_read.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Support/GuardedPages.h"

namespace {

using tessivar::testing::GuardedPages;
constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();

TEST(AddOffsetChecked, RefusesSumsPastEitherEndOfTheRange) {
    struct Case {
        std::uint64_t base;
        std::int64_t offset;
        bool fits;
        std::uint64_t sum;
    };
    const Case cases[] = {
        {0, -1, false, 0},
        {5, -5, true, 0},
        {top, 1, false, 0},
        {top - 1, 1, true, top},
        {std::uint64_t{1} << 63, lowest, true, 0},
        {(std::uint64_t{1} << 63) - 1, lowest, false, 0},
        {top - 16, 32, false, 0},
        {0x1000, 0x20, true, 0x1020},
    };
    for (const Case& c : cases) {
        std::uint64_t sum = 12345;
        EXPECT_EQ(zzcrash_async_add_offset_checked(c.base, c.offset, &sum), c.fits) << c.base << " " << c.offset;
        if (c.fits) {
            EXPECT_EQ(sum, c.sum) << c.base << " " << c.offset;
        }
        EXPECT_EQ(zzcrash_async_add_offset_checked(c.base, c.offset, nullptr), c.fits);
    }
}

// A range whose start or end lies past the top of the address space is
// refused before the kernel is asked, so no read can wrap around to page 0.
TEST(TaskCopy, RefusesRangesThatOverflowTheAddressSpace) {
    struct Case {
        std::uint64_t address;
        std::int64_t offset;
        std::uint64_t length;
    };
    const Case cases[] = {{top - 15, 32, 1}, {0, -1, 1}, {top - 7, 0, 16}, {top, 0, 1}, {16, lowest, 1}};
    char byte = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(zzcrash_async_task_copy(ZZCRASH_TASK_SELF, c.address, c.offset, &byte, c.length), ZZCRASH_ENOMEM)
            << c.address << " " << c.offset << " " << c.length;
    }
}

// The outcome of each copy over the guarded pages, as one line: the codes in
// order, and whether the bytes of the good copies are the page's.
std::string copyOutcomes(const GuardedPages& pages) {
    struct Case {
        std::uintptr_t address;
        std::int64_t offset;
        std::size_t length;
    };
    const std::uint64_t size = pages.pageSize();
    const Case cases[] = {
        {pages.readable(), 0, size},                                          // the whole readable page
        {pages.readable() + 8, -8, 16},                                       // a negative offset
        {pages.readable(), static_cast<std::int64_t>(size) - 8, 8},           // its last bytes
        {pages.readable(), static_cast<std::int64_t>(size) - 8, 16},          // running into the guard page
        {pages.unreadable(), 0, 8},                                           // inside the guard page
        {pages.unmapped(), 0, 8},                                             // an unmapped page
        {pages.unreadable(), static_cast<std::int64_t>(size) - 4, 8},         // from the guard page on
        {pages.readableBeforeGap(), static_cast<std::int64_t>(size) - 4, 8},  // running into the gap
        {0, 0, 8},                                                            // address 0
    };
    std::string line;
    std::vector<unsigned char> buffer(2 * size);
    for (const Case& c : cases) {
        const zzcrash_error_t error =
            zzcrash_async_task_copy(ZZCRASH_TASK_SELF, c.address, c.offset, buffer.data(), c.length);
        line += std::to_string(error);
        if (error == ZZCRASH_ESUCCESS) {
            const std::size_t start = c.address + static_cast<std::uint64_t>(c.offset) - pages.readable();
            bool same = true;
            for (std::size_t i = 0; i < c.length; ++i) same = same && buffer[i] == GuardedPages::patternAt(start + i);
            line += same ? "=" : "!";
        }
        line += " ";
    }
    return line;
}

const std::string expectedOutcomes = "0= 0= 0= 7 7 8 7 8 8 ";

TEST(TaskCopy, TellsUnmappedFromUnreadablePagesAndCopiesReadableBytesExactly) {
    GuardedPages pages;
    EXPECT_EQ(copyOutcomes(pages), expectedOutcomes);
}

// A prefix read takes the readable bytes before the first page that cannot
// be read, whichever kind of page that is, and leaves errno as it was.
TEST(MemoryReadPrefix, TakesTheBytesBeforeTheFirstBadPage) {
    GuardedPages pages;
    const std::size_t size = pages.pageSize();
    struct Case {
        std::uintptr_t address;
        std::size_t length;
        std::size_t copied;
    };
    const Case cases[] = {
        {pages.readable(), size, size}, {pages.readable() + size - 8, 16, 8},
        {pages.unreadable(), 8, 0},     {pages.readableBeforeGap() + size - 4, 8, 4},
        {pages.unmapped(), 8, 0},
    };
    std::vector<unsigned char> buffer(2 * size);
    for (const Case& c : cases) {
        errno = ERANGE;
        EXPECT_EQ(zzcrash_memory_read_prefix(c.address, buffer.data(), c.length), c.copied)
            << c.address - pages.readable();
        EXPECT_EQ(errno, ERANGE);
        const std::size_t start = (c.address - pages.readable()) % size;
        for (std::size_t i = 0; i < c.copied; ++i) ASSERT_EQ(buffer[i], GuardedPages::patternAt(start + i));
    }
}

// Refuses process_vm_readv in the calling process from now on, as a seccomp
// profile of a sandbox would.
bool refuseProcessVmReadv() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_process_vm_readv, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

TEST(TaskCopy, FallsBackToAPipeWhenTheKernelRefusesTheDirectRead) {
    const auto result = tessivar::testing::runForked(
        [](int output) {
            GuardedPages pages;
            if (!refuseProcessVmReadv()) return 2;
            char byte = 0;
            iovec local{&byte, 1};
            iovec remote{reinterpret_cast<void*>(pages.readable()), 1};
            if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) != -1 || errno != EPERM) return 3;
            const std::string line = copyOutcomes(pages);
            return write(output, line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 4;
        },
        std::chrono::seconds(10));
    ASSERT_TRUE(result.exitedWith(0)) << result.status;
    EXPECT_EQ(result.output, expectedOutcomes);
}

TEST(TaskRead, PassesValuesThroughTheByteOrderAndReportsFailures) {
    const std::uint64_t value = 0x1122334455667788;
    const auto address = reinterpret_cast<std::uint64_t>(&value);
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    std::uint64_t u64 = 0;
    EXPECT_EQ(zzcrash_async_task_read_uint8(ZZCRASH_TASK_SELF, address, 7, &u8), ZZCRASH_ESUCCESS);
    EXPECT_EQ(u8, 0x11);
    EXPECT_EQ(zzcrash_async_task_read_uint16(ZZCRASH_TASK_SELF, &zzcrash_async_byteorder_direct, address, 0, &u16),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(u16, 0x7788);
    EXPECT_EQ(zzcrash_async_task_read_uint32(ZZCRASH_TASK_SELF, &zzcrash_async_byteorder_swapped, address, 4, &u32),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(u32, 0x44332211u);
    EXPECT_EQ(zzcrash_async_task_read_uint64(ZZCRASH_TASK_SELF, &zzcrash_async_byteorder_swapped, address, 0, &u64),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(u64, 0x8877665544332211u);
    GuardedPages pages;
    EXPECT_EQ(
        zzcrash_async_task_read_uint64(ZZCRASH_TASK_SELF, &zzcrash_async_byteorder_direct, pages.unmapped(), 0, &u64),
        ZZCRASH_ENOTFOUND);
    EXPECT_EQ(
        zzcrash_async_task_read_uint32(ZZCRASH_TASK_SELF, &zzcrash_async_byteorder_direct, pages.unreadable(), 0, &u32),
        ZZCRASH_EACCESS);
}

}  // namespace
