// The DWARF call-frame readers on made-up sections: LEB128s, sized values,
// encoded pointers, CIEs, FDEs and the search for the FDE of a pc.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_frame_reader.h"
#include "CrashReporter/Async/Dwarf/zzcrash_async_gnu_ehptr_reader.h"
#include "tests/CrashReporter/Unwind/DirectByteOrder.h"
#include "tests/CrashReporter/Unwind/SectionBytes.h"

namespace {

using namespace zzcrash::ZZ::async;
using tessivar::testing::unwind::MappedSection;
using tessivar::testing::unwind::SectionBytes;

using tessivar::testing::unwind::direct;

SectionBytes ofBytes(std::initializer_list<std::uint8_t> values) {
    SectionBytes bytes;
    bytes.bytes(values);
    return bytes;
}

struct LebCase {
    std::vector<std::uint8_t> bytes;
    bool isSigned;
    zzcrash_error_t error;
    std::uint64_t value;
    std::uint64_t size;
};

TEST(DwarfEncoding, Leb128ValuesSizesAndLimits) {
    const std::vector<std::uint8_t> elevenContinued(11, 0xff);
    const LebCase cases[] = {
        {{0x02}, false, ZZCRASH_ESUCCESS, 2, 1},
        {{0xe5, 0x8e, 0x26}, false, ZZCRASH_ESUCCESS, 624485, 3},
        {{0x7f}, true, ZZCRASH_ESUCCESS, static_cast<std::uint64_t>(-1), 1},
        {{0x80, 0x7f}, true, ZZCRASH_ESUCCESS, static_cast<std::uint64_t>(-128), 2},
        {{0xc0, 0xbb, 0x78}, true, ZZCRASH_ESUCCESS, static_cast<std::uint64_t>(-123456), 3},
        // Ten bytes reach bit 63; the tenth byte's bit 6 is beyond the value.
        {{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01}, false, ZZCRASH_ESUCCESS, ~std::uint64_t{0}, 10},
        {{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x7f},
         true,
         ZZCRASH_ESUCCESS,
         std::uint64_t{1} << 63,
         10},
        {elevenContinued, false, ZZCRASH_ENOTSUP, 0, 0},
        {elevenContinued, true, ZZCRASH_ENOTSUP, 0, 0},
        {{0x80, 0x80}, false, ZZCRASH_EINVAL, 0, 0},  // runs off the object
    };
    for (const LebCase& c : cases) {
        SectionBytes bytes;
        for (std::uint8_t b : c.bytes) bytes.u8(b);
        const MappedSection section(bytes);
        ASSERT_TRUE(section.mapped());
        std::uint64_t value = 0;
        std::uint64_t size = 0;
        std::int64_t signedValue = 0;
        const zzcrash_error_t error =
            c.isSigned ? zzcrash_async_dwarf_read_sleb128(section.mobj(), section.address(), 0, &signedValue, &size)
                       : zzcrash_async_dwarf_read_uleb128(section.mobj(), section.address(), 0, &value, &size);
        if (c.isSigned) value = static_cast<std::uint64_t>(signedValue);
        SCOPED_TRACE(::testing::Message()
                     << "first byte 0x" << std::hex << int{c.bytes[0]} << " of " << c.bytes.size());
        EXPECT_EQ(error, c.error);
        if (c.error != ZZCRASH_ESUCCESS) continue;
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(size, c.size);
    }
}

// A LEB128 in the task's memory ends where its bytes can be read: the
// unreadable byte answers the checked copy's code.
TEST(DwarfEncoding, TaskLeb128StopsAtUnreadableMemory) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    auto* pages =
        static_cast<std::uint8_t*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    mprotect(pages + page, page, PROT_NONE);
    pages[page - 2] = 0xe5;
    pages[page - 1] = 0x0e;
    zzcrash_async_memory_window memory;
    zzcrash_async_memory_window_init(&memory, ZZCRASH_TASK_SELF, nullptr, 0);
    const auto address = reinterpret_cast<std::uint64_t>(pages);
    std::uint64_t value = 0;
    std::uint64_t size = 0;
    EXPECT_EQ(zzcrash_async_dwarf_read_task_uleb128(&memory, address, page - 2, &value, &size), ZZCRASH_ESUCCESS);
    EXPECT_EQ(value, 0x765u);
    EXPECT_EQ(size, 2u);
    pages[page - 1] = 0x8e;  // now it goes on into the guard page
    EXPECT_EQ(zzcrash_async_dwarf_read_task_uleb128(&memory, address, page - 2, &value, &size), ZZCRASH_EACCESS);
    EXPECT_EQ(zzcrash_async_dwarf_read_task_uleb128(&memory, ~std::uint64_t{0}, 2, &value, &size), ZZCRASH_EINVAL);
    munmap(pages, 2 * page);
}

TEST(DwarfEncoding, SizedReadsTakeOnlyTheFourSizes) {
    const MappedSection section(ofBytes({1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_TRUE(section.mapped());
    const std::pair<std::uint64_t, std::uint64_t> readable[] = {
        {1, 0x01}, {2, 0x0201}, {4, 0x04030201}, {8, 0x0807060504030201}};
    for (const auto& [size, expected] : readable) {
        std::uint64_t value = 0;
        EXPECT_EQ(zzcrash_async_dwarf_read_sized(section.mobj(), direct, section.address(), 0, size, &value),
                  ZZCRASH_ESUCCESS);
        EXPECT_EQ(value, expected) << size;
    }
    std::uint64_t value = 0;
    EXPECT_EQ(zzcrash_async_dwarf_read_sized(section.mobj(), direct, section.address(), 0, 3, &value), ZZCRASH_EINVAL);
    EXPECT_EQ(zzcrash_async_dwarf_read_sized(section.mobj(), direct, section.address(), 6, 4, &value), ZZCRASH_EINVAL);
    EXPECT_EQ(zzcrash_async_dwarf_read_sized(section.mobj(), &zzcrash_async_byteorder_swapped, section.address(), 0, 2,
                                             &value),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(value, 0x0102u);
}

struct PointerCase {
    const char* name;
    std::uint8_t encoding;
    std::vector<std::uint8_t> bytes;  // at offset 4 of the section; 4 bytes of padding before
    bool withBases;
    zzcrash_error_t error;
    std::uint64_t value;  // relative to the field's address for pc-relative cases, see `pcRelative`
    std::uint64_t size;
    bool pcRelative = false;
};

TEST(GnuEhPointerReader, DecodesEachFormatAndApplication) {
    const PointerCase cases[] = {
        {"absptr", DW_EH_PE_absptr, {1, 0, 0, 0, 0, 0, 0, 0x80}, false, ZZCRASH_ESUCCESS, 0x8000000000000001, 8},
        {"udata2", DW_EH_PE_udata2, {0xfe, 0xff}, false, ZZCRASH_ESUCCESS, 0xfffe, 2},
        {"sdata2", DW_EH_PE_sdata2, {0xfe, 0xff}, false, ZZCRASH_ESUCCESS, static_cast<std::uint64_t>(-2), 2},
        {"udata4", DW_EH_PE_udata4, {0, 0, 0, 0x80}, false, ZZCRASH_ESUCCESS, 0x80000000, 4},
        {"sdata4", DW_EH_PE_sdata4, {0, 0, 0, 0x80}, false, ZZCRASH_ESUCCESS, 0xffffffff80000000, 4},
        {"udata8", DW_EH_PE_udata8, {8, 7, 6, 5, 4, 3, 2, 1}, false, ZZCRASH_ESUCCESS, 0x0102030405060708, 8},
        {"uleb128", DW_EH_PE_uleb128, {0xe5, 0x8e, 0x26}, false, ZZCRASH_ESUCCESS, 624485, 3},
        {"sleb128", DW_EH_PE_sleb128, {0x7f}, false, ZZCRASH_ESUCCESS, static_cast<std::uint64_t>(-1), 1},
        {"pcrel sdata4",
         DW_EH_PE_pcrel | DW_EH_PE_sdata4,
         {0xf0, 0xff, 0xff, 0xff},
         false,
         ZZCRASH_ESUCCESS,
         static_cast<std::uint64_t>(-16),
         4,
         true},
        {"datarel without a base", DW_EH_PE_datarel | DW_EH_PE_udata4, {1, 0, 0, 0}, false, ZZCRASH_ENOTSUP, 0, 0},
        {"datarel", DW_EH_PE_datarel | DW_EH_PE_udata4, {1, 0, 0, 0}, true, ZZCRASH_ESUCCESS, 0x3001, 4},
        {"textrel", DW_EH_PE_textrel | DW_EH_PE_udata2, {2, 0}, true, ZZCRASH_ESUCCESS, 0x2002, 2},
        {"funcrel", DW_EH_PE_funcrel | DW_EH_PE_udata2, {3, 0}, true, ZZCRASH_ESUCCESS, 0x4003, 2},
        {"funcrel without a base", DW_EH_PE_funcrel | DW_EH_PE_udata2, {3, 0}, false, ZZCRASH_ENOTSUP, 0, 0},
        // 4 bytes in, so 4 bytes of padding up to the next 8.
        {"aligned", DW_EH_PE_aligned, {0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0}, true, ZZCRASH_ESUCCESS, 9, 12},
        {"aligned without a base",
         DW_EH_PE_aligned,
         {0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0},
         false,
         ZZCRASH_ENOTSUP,
         0,
         0},
        {"omit", DW_EH_PE_omit, {0}, true, ZZCRASH_ENOTFOUND, 0, 0},
        {"unknown format", 0x05, {0}, true, ZZCRASH_ENOTSUP, 0, 0},
        {"unknown application", 0x60, {0}, true, ZZCRASH_ENOTSUP, 0, 0},
        {"past the end", DW_EH_PE_udata8, {1, 2, 3}, false, ZZCRASH_EINVAL, 0, 0},
    };
    for (const PointerCase& c : cases) {
        SCOPED_TRACE(c.name);
        SectionBytes bytes;
        bytes.u32(0);
        for (std::uint8_t b : c.bytes) bytes.u8(b);
        const MappedSection section(bytes);
        ASSERT_TRUE(section.mapped());
        gnu_ehptr_reader<std::uint64_t> reader(direct);
        if (c.withBases) {
            reader.set_text_base(0x2000);
            reader.set_data_base(0x3000);
            reader.set_func_base(0x4000);
            // The section's bytes end a page, and there are 16 of them: the
            // field at offset 4 is 4 bytes past a multiple of 8.
            reader.set_frame_section_base(section.address(), section.address());
        }
        std::uint64_t value = 0;
        std::uint64_t size = 0;
        const zzcrash_error_t error =
            reader.read(section.mobj(), section.address(), 4, static_cast<DW_EH_PE>(c.encoding), &value, &size);
        EXPECT_EQ(error, c.error);
        if (c.error != ZZCRASH_ESUCCESS) continue;
        const std::uint64_t expected = c.pcRelative ? section.address() + 4 + c.value : c.value;
        EXPECT_EQ(value, expected);
        EXPECT_EQ(size, c.size);
    }
}

TEST(GnuEhPointerReader, IndirectReadsThePointerItNames) {
    static const std::uint64_t target = 0x1122334455667788;
    SectionBytes bytes;
    bytes.u64(reinterpret_cast<std::uint64_t>(&target));
    const MappedSection section(bytes);
    ASSERT_TRUE(section.mapped());
    const gnu_ehptr_reader<std::uint64_t> reader(direct);
    std::uint64_t value = 0;
    std::uint64_t size = 0;
    ASSERT_EQ(reader.read(section.mobj(), section.address(), 0,
                          static_cast<DW_EH_PE>(DW_EH_PE_indirect | DW_EH_PE_absptr), &value, &size),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(value, target);
    EXPECT_EQ(size, 8u);
}

TEST(GnuEhPointerReader, PointerSizedIsFourBytesInThe32BitReader) {
    const MappedSection section(ofBytes({0x78, 0x56, 0x34, 0x12, 0xff, 0xff, 0xff, 0xff}), true);
    ASSERT_TRUE(section.mapped());
    const gnu_ehptr_reader<std::uint32_t> reader(direct);
    std::uint32_t value = 0;
    std::uint64_t size = 0;
    ASSERT_EQ(
        reader.read(section.mobj(), static_cast<std::uint32_t>(section.address()), 0, DW_EH_PE_absptr, &value, &size),
        ZZCRASH_ESUCCESS);
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_EQ(size, 4u);
    ASSERT_EQ(reader.read(section.mobj(), static_cast<std::uint32_t>(section.address()), 0,
                          static_cast<DW_EH_PE>(DW_EH_PE_pcrel | DW_EH_PE_sdata4), &value, &size),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(value, static_cast<std::uint32_t>(section.address() + 0x12345678));
}

}  // namespace
