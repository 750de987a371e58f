// The compact-unwind reader on the Mach-O fixtures (against llvm-objdump's
// --unwind-info) and on made-up tables, its decoding of encodings and their
// application to made-up stacks.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_entry.h"
#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_reader.h"
#include "tests/CrashReporter/MachO/LoadedFixture.h"
#include "tests/CrashReporter/Unwind/SectionBytes.h"
#include "tests/CrashReporter/Unwind/UnwindInfoAnswer.h"

namespace {

using tessivar::testing::macho::FixtureImage;
using tessivar::testing::unwind::MappedSection;
using tessivar::testing::unwind::SectionBytes;
using tessivar::testing::unwind::UnwindInfoAnswer;

struct Found {
    zzcrash_error_t error;
    std::uint64_t function = 0;
    std::uint32_t encoding = 0;
};

Found findPc(const zzcrash_async_compact_unwind_reader* reader, std::uint64_t pc) {
    Found found{};
    found.error = zzcrash_async_compact_unwind_reader_find_pc(reader, pc, &found.function, &found.encoding);
    return found;
}

// Each function's first and last byte, and a pc past the table's end,
// against every entry llvm-objdump lists.
TEST(CompactUnwindFixtures, EveryEncodingIsTheOneLlvmObjdumpLists) {
    for (const char* name : {"fixture", "libfixture.dylib", "fixture-stripped", "fixture-arm64", "libwalk.dylib"}) {
        SCOPED_TRACE(name);
        const UnwindInfoAnswer answer = tessivar::testing::unwind::unwindInfoAnswer(name);
        ASSERT_FALSE(answer.entries.empty());
        FixtureImage fixture(name, false);
        ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
        zzcrash_async_mobject section;
        ASSERT_EQ(zzcrash_async_macho_map_section(fixture.image(), "__TEXT", "__unwind_info", &section),
                  ZZCRASH_ESUCCESS);
        zzcrash_async_compact_unwind_reader reader;
        ASSERT_EQ(zzcrash_async_compact_unwind_reader_init(
                      &reader, &section, static_cast<int>(zzcrash_async_macho_cpu_type(fixture.image()))),
                  ZZCRASH_ESUCCESS);
        for (std::size_t i = 0; i < answer.entries.size(); ++i) {
            const auto& entry = answer.entries[i];
            const std::uint64_t last =
                i + 1 < answer.entries.size() ? answer.entries[i + 1].functionOffset - 1 : answer.end + 0x100;
            for (std::uint64_t pc : {entry.functionOffset, last}) {
                const Found found = findPc(&reader, pc);
                EXPECT_EQ(found.error, ZZCRASH_ESUCCESS) << std::hex << pc;
                EXPECT_EQ(found.function, entry.functionOffset) << std::hex << pc;
                EXPECT_EQ(found.encoding, entry.encoding) << std::hex << pc;
            }
            zzcrash_async_compact_unwind_entry decoded;
            EXPECT_EQ(zzcrash_async_compact_unwind_entry_init(&decoded, reader.cputype, entry.encoding),
                      ZZCRASH_ESUCCESS)
                << std::hex << entry.encoding;
        }
        EXPECT_EQ(findPc(&reader, answer.entries.front().functionOffset - 1).error, ZZCRASH_ENOTFOUND);
        zzcrash_async_mobject_free(&section);
    }
}

// A table of both page kinds, with the layout lld never writes (regular pages).
SectionBytes twoPageTable() {
    SectionBytes bytes;
    bytes.u32(1).u32(28).u32(2).u32(36).u32(0).u32(36).u32(3);  // header: 2 common encodings, 3 index entries
    bytes.u32(0x01000000).u32(0x02020400);                      // common encodings
    bytes.u32(0x1000).u32(72).u32(0);                           // first level: a regular page at 72
    bytes.u32(0x2000).u32(104).u32(0);                          // a compressed page at 104
    bytes.u32(0x3000).u32(0).u32(0);                            // the end marker
    bytes.u32(2).u16(8).u16(3);                                 // regular page: entries at +8
    bytes.u32(0x1000).u32(0x01010001).u32(0x1100).u32(0x02030400).u32(0x1800).u32(0x04000020);
    bytes.u32(3).u16(12).u16(4).u16(28).u16(2);  // compressed page: 4 entries, 2 own encodings
    bytes.u32(0x00000000).u32(0x01000100).u32(0x02000200).u32(0x03000300);
    bytes.u32(0x030ab004).u32(0x04000044);  // its own encodings
    return bytes;
}

TEST(CompactUnwindReader, RegularAndCompressedPages) {
    const MappedSection section(twoPageTable());
    ASSERT_TRUE(section.mapped());
    zzcrash_async_compact_unwind_reader reader;
    ASSERT_EQ(zzcrash_async_compact_unwind_reader_init(&reader, section.mobj(), ZZCRASH_CPU_TYPE_X86_64),
              ZZCRASH_ESUCCESS);
    struct Case {
        std::uint64_t pc;
        zzcrash_error_t error;
        std::uint64_t function;
        std::uint32_t encoding;
    };
    const Case cases[] = {
        {0x0fff, ZZCRASH_ENOTFOUND, 0, 0},
        {0x1000, ZZCRASH_ESUCCESS, 0x1000, 0x01010001},
        {0x10ff, ZZCRASH_ESUCCESS, 0x1000, 0x01010001},
        {0x1100, ZZCRASH_ESUCCESS, 0x1100, 0x02030400},
        {0x1fff, ZZCRASH_ESUCCESS, 0x1800, 0x04000020},
        {0x2000, ZZCRASH_ESUCCESS, 0x2000, 0x01000000},  // common encoding 0
        {0x2100, ZZCRASH_ESUCCESS, 0x2100, 0x02020400},  // common encoding 1
        {0x2234, ZZCRASH_ESUCCESS, 0x2200, 0x030ab004},  // index 2 = the common count: the page's first
        {0x2300, ZZCRASH_ESUCCESS, 0x2300, 0x04000044},
        {0x9999, ZZCRASH_ESUCCESS, 0x2300, 0x04000044},  // past the end marker: the last real entry
    };
    for (const Case& c : cases) {
        const Found found = findPc(&reader, c.pc);
        EXPECT_EQ(found.error, c.error) << std::hex << c.pc;
        if (c.error != ZZCRASH_ESUCCESS) continue;
        EXPECT_EQ(found.function, c.function) << std::hex << c.pc;
        EXPECT_EQ(found.encoding, c.encoding) << std::hex << c.pc;
    }
}

// The byte at `at` of the two-page table changed to `value`.
zzcrash_error_t findInChangedTable(std::size_t at, std::uint32_t value, std::uint64_t pc,
                                   int cputype = ZZCRASH_CPU_TYPE_X86_64) {
    SectionBytes bytes = twoPageTable();
    bytes.patch32(at, value);
    const MappedSection section(bytes);
    zzcrash_async_compact_unwind_reader reader;
    const zzcrash_error_t error = zzcrash_async_compact_unwind_reader_init(&reader, section.mobj(), cputype);
    if (error != ZZCRASH_ESUCCESS) return error;
    return findPc(&reader, pc).error;
}

TEST(CompactUnwindReader, TablesThatCannotBeRead) {
    struct Case {
        const char* name;
        std::size_t at;
        std::uint32_t value;
        std::uint64_t pc;
        zzcrash_error_t error;
        int cputype = ZZCRASH_CPU_TYPE_X86_64;
    };
    const Case cases[] = {
        {"version 2", 0, 2, 0x1000, ZZCRASH_ENOTSUP},
        {"ARM (32-bit)", 0, 1, 0x1000, ZZCRASH_ENOTSUP, 12},
        {"only the end marker", 24, 1, 0x1000, ZZCRASH_ENOTFOUND},
        {"no first level", 24, 0, 0x1000, ZZCRASH_ENOTFOUND},
        {"first level outside", 24, 0x10000, 0x1000, ZZCRASH_EINVAL},
        {"common encodings outside", 8, 0x10000, 0x1000, ZZCRASH_EINVAL},
        {"unknown page kind", 72, 4, 0x1000, ZZCRASH_EINVAL},
        {"page outside", 40, 0x10000, 0x1000, ZZCRASH_EINVAL},
        {"regular page without entries", 76, 0x00000008, 0x1000, ZZCRASH_ENOTFOUND},
        {"regular entries outside", 76, 0x0003ff00, 0x1000, ZZCRASH_EINVAL},
        {"own encoding past its count", 116 + 12, 0x04000300, 0x2300, ZZCRASH_EINVAL},
    };
    for (const Case& c : cases) EXPECT_EQ(findInChangedTable(c.at, c.value, c.pc, c.cputype), c.error) << c.name;
    SectionBytes header;
    header.u32(1).u32(28);
    const MappedSection shortSection(header);
    zzcrash_async_compact_unwind_reader reader;
    EXPECT_EQ(zzcrash_async_compact_unwind_reader_init(&reader, shortSection.mobj(), ZZCRASH_CPU_TYPE_X86_64),
              ZZCRASH_EINVAL);
}

struct Decoded {
    const char* name;
    int cputype;
    std::uint32_t encoding;
    zzcrash_error_t error;
    zzcrash_async_compact_entry_type type;
    std::int64_t offset;
    std::uint32_t adjust;
    std::vector<std::uint32_t> registers;
    std::uint32_t returnAddress = ZZCRASH_ASYNC_CUNWIND_NO_REGISTER;
};

constexpr std::uint32_t empty = ZZCRASH_ASYNC_CUNWIND_NO_REGISTER;

TEST(CompactUnwindEntry, DecodesEachModeOfEachCpu) {
    const int x64 = ZZCRASH_CPU_TYPE_X86_64;
    const int x86 = ZZCRASH_CPU_TYPE_X86;
    const int arm = ZZCRASH_CPU_TYPE_ARM64;
    const Decoded cases[] = {
        {"frame, rbx and r13",
         x64,
         0x01020019,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR,
         -16,
         0,
         {ZZCRASH_X86_64_RBX, ZZCRASH_X86_64_R13}},
        {"frame with an empty slot",
         x64,
         0x01030161,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR,
         -24,
         0,
         {ZZCRASH_X86_64_RBX, ZZCRASH_X86_64_R14, ZZCRASH_X86_64_R15}},
        {"frame, slot 0 kept",
         x64,
         0x01020008,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR,
         -16,
         0,
         {empty, ZZCRASH_X86_64_RBX}},
        {"frame, slot 7", x64, 0x01010007, ZZCRASH_EINVAL, ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR, 0, 0, {}},
        {"frameless, rbx",
         x64,
         0x02020400,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD,
         16,
         0,
         {ZZCRASH_X86_64_RBX}},
        {"frameless, four",
         x64,
         0x02061004,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD,
         48,
         0,
         {ZZCRASH_X86_64_RBX, ZZCRASH_X86_64_R12, ZZCRASH_X86_64_R14, ZZCRASH_X86_64_R15}},
        {"stack size in the code",
         x64,
         0x030ab004,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_INDIRECT,
         10,
         40,
         {ZZCRASH_X86_64_RBX, ZZCRASH_X86_64_R12, ZZCRASH_X86_64_R14, ZZCRASH_X86_64_R15}},
        {"DWARF", x64, 0x04000048, ZZCRASH_ESUCCESS, ZZCRASH_ASYNC_CUNWIND_TYPE_DWARF, 0x48, 0, {}},
        {"none", x64, 0x00000000, ZZCRASH_ESUCCESS, ZZCRASH_ASYNC_CUNWIND_TYPE_NONE, 0, 0, {}},
        {"mode 5", x64, 0x05000000, ZZCRASH_ENOTSUP, ZZCRASH_ASYNC_CUNWIND_TYPE_NONE, 0, 0, {}},
        {"i386 frame, ebx and esi",
         x86,
         0x01020029,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR,
         -8,
         0,
         {ZZCRASH_X86_EBX, ZZCRASH_X86_ESI}},
        {"i386 frameless",
         x86,
         0x02030400,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD,
         12,
         0,
         {ZZCRASH_X86_EBX}},
        {"i386 stack size in the code",
         x86,
         0x0305a400,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_INDIRECT,
         5,
         20,
         {ZZCRASH_X86_EBX}},
        {"arm64 frameless",
         arm,
         0x02001001,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD,
         16,
         0,
         {23, 22},
         32},
        {"arm64 frame, two pairs",
         arm,
         0x04000011,
         ZZCRASH_ESUCCESS,
         ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR,
         -32,
         0,
         {31, 30, 23, 22}},
        {"arm64 DWARF", arm, 0x03000040, ZZCRASH_ESUCCESS, ZZCRASH_ASYNC_CUNWIND_TYPE_DWARF, 0x40, 0, {}},
        {"arm64 mode 1", arm, 0x01000000, ZZCRASH_ENOTSUP, ZZCRASH_ASYNC_CUNWIND_TYPE_NONE, 0, 0, {}},
        {"unknown CPU", 12, 0x01000000, ZZCRASH_ENOTSUP, ZZCRASH_ASYNC_CUNWIND_TYPE_NONE, 0, 0, {}},
    };
    for (const Decoded& c : cases) {
        SCOPED_TRACE(c.name);
        zzcrash_async_compact_unwind_entry entry;
        ASSERT_EQ(zzcrash_async_compact_unwind_entry_init(&entry, c.cputype, c.encoding), c.error);
        if (c.error != ZZCRASH_ESUCCESS) continue;
        EXPECT_EQ(zzcrash_async_compact_unwind_entry_type(&entry), c.type);
        EXPECT_EQ(zzcrash_async_compact_unwind_entry_offset(&entry), c.offset);
        EXPECT_EQ(zzcrash_async_compact_unwind_entry_stack_adjust(&entry), c.adjust);
        EXPECT_EQ(zzcrash_async_compact_unwind_entry_return_address_register(&entry), c.returnAddress);
        std::uint32_t registers[ZZCRASH_ASYNC_CUNWIND_MAX_REGISTERS];
        zzcrash_async_compact_unwind_entry_saved_registers(&entry, registers);
        EXPECT_EQ(std::vector<std::uint32_t>(
                      registers, registers + zzcrash_async_compact_unwind_entry_saved_register_count(&entry)),
                  c.registers);
    }
}

TEST(CompactUnwindPermutation, EveryOrderedChoiceRoundTrips) {
    std::uint32_t registers[6] = {};
    ASSERT_EQ(zzcrash_async_compact_unwind_decode_register_permutation(0, 3, registers), ZZCRASH_ESUCCESS);
    EXPECT_EQ(std::vector<std::uint32_t>(registers, registers + 3), (std::vector<std::uint32_t>{1, 2, 3}));
    const std::uint32_t descending[] = {6, 5, 4, 3, 2, 1};
    EXPECT_EQ(zzcrash_async_compact_unwind_encode_register_permutation(descending, 6), 719u);
    EXPECT_EQ(zzcrash_async_compact_unwind_encode_register_permutation(descending, 0), 0u);
    // The numbering is a bijection: 6!/(6-n)! choices for n registers (and
    // 720 for 6, whose last register is forced), each decoded to itself.
    const std::uint32_t choices[] = {0, 6, 30, 120, 360, 720, 720};
    for (std::uint32_t count = 1; count <= 6; ++count) {
        for (std::uint32_t number = 0; number < choices[count]; ++number) {
            ASSERT_EQ(zzcrash_async_compact_unwind_decode_register_permutation(number, count, registers),
                      ZZCRASH_ESUCCESS);
            ASSERT_EQ(zzcrash_async_compact_unwind_encode_register_permutation(registers, count), number) << count;
        }
    }
    EXPECT_EQ(zzcrash_async_compact_unwind_decode_register_permutation(6, 1, registers), ZZCRASH_EINVAL);
    EXPECT_EQ(zzcrash_async_compact_unwind_decode_register_permutation(0, 7, registers), ZZCRASH_EINVAL);
}

// A register state over a made-up stack of 16 words, each holding its own
// number plus 0x100.
class CompactFrame : public ::testing::Test {
protected:
    CompactFrame() {
        zzcrash_async_thread_state_init(&current_, ZZCRASH_CPU_TYPE_X86_64);
        zzcrash_async_memory_window_init(&memory_, ZZCRASH_TASK_SELF, nullptr, 0);
        for (std::uint64_t i = 0; i < 16; ++i) stack_[i] = 0x100 + i;
        zzcrash_async_thread_state_set_reg(&current_, ZZCRASH_X86_64_RSP, at(0));
        zzcrash_async_thread_state_set_reg(&current_, ZZCRASH_X86_64_RBP, at(4));
        zzcrash_async_thread_state_set_reg(&current_, ZZCRASH_X86_64_RIP, 0x5000);
        zzcrash_async_thread_state_set_reg(&current_, ZZCRASH_X86_64_RAX, 7);
    }
    std::uint64_t at(std::size_t slot) const { return reinterpret_cast<std::uint64_t>(&stack_[slot]); }
    std::uint64_t get(std::uint32_t index) const { return zzcrash_async_thread_state_get_reg(&next_, index); }

    zzcrash_error_t apply(std::uint32_t encoding, std::uint64_t function = 0, int cpuType = ZZCRASH_CPU_TYPE_X86_64) {
        zzcrash_async_compact_unwind_entry entry;
        const zzcrash_error_t error = zzcrash_async_compact_unwind_entry_init(&entry, cpuType, encoding);
        if (error != ZZCRASH_ESUCCESS) return error;
        return zzcrash_async_compact_unwind_entry_apply(&memory_, function, &current_, &entry, &next_);
    }

    std::uint64_t stack_[16];
    zzcrash_async_thread_state current_{};
    zzcrash_async_thread_state next_{};
    zzcrash_async_memory_window memory_{};
};

TEST_F(CompactFrame, FramePointerEncoding) {
    ASSERT_EQ(apply(0x01020019), ZZCRASH_ESUCCESS);
    EXPECT_EQ(get(ZZCRASH_X86_64_RBX), stack_[2]);  // rbp - 16
    EXPECT_EQ(get(ZZCRASH_X86_64_R13), stack_[3]);  // rbp - 8
    EXPECT_EQ(get(ZZCRASH_X86_64_RBP), stack_[4]);
    EXPECT_EQ(get(ZZCRASH_X86_64_RIP), stack_[5]);
    EXPECT_EQ(get(ZZCRASH_X86_64_RSP), at(6));
    EXPECT_FALSE(zzcrash_async_thread_state_has_reg(&next_, ZZCRASH_X86_64_RAX));
}

TEST_F(CompactFrame, FramelessEncodings) {
    ASSERT_EQ(apply(0x02020400), ZZCRASH_ESUCCESS);
    EXPECT_EQ(get(ZZCRASH_X86_64_RSP), at(2));
    EXPECT_EQ(get(ZZCRASH_X86_64_RIP), stack_[1]);
    EXPECT_EQ(get(ZZCRASH_X86_64_RBX), stack_[0]);
    EXPECT_EQ(get(ZZCRASH_X86_64_RBP), at(4));  // callee-saved, not in the frame: unchanged
    // The stack size is the subtraction's immediate at function + 10, plus 40.
    const std::uint32_t code[4] = {0, 0, 0x28 << 16, 0};  // the 4 bytes at offset 10 hold 0x28
    ASSERT_EQ(apply(0x030ab004, reinterpret_cast<std::uint64_t>(code)), ZZCRASH_ESUCCESS);
    EXPECT_EQ(get(ZZCRASH_X86_64_RSP), at(10));  // 0x28 + 40 = 80 bytes
    EXPECT_EQ(get(ZZCRASH_X86_64_RIP), stack_[9]);
    EXPECT_EQ(get(ZZCRASH_X86_64_R15), stack_[8]);  // the first pushed sits right below
    EXPECT_EQ(get(ZZCRASH_X86_64_RBX), stack_[5]);
}

TEST_F(CompactFrame, EncodingsThatCannotBeApplied) {
    EXPECT_EQ(apply(0x04000048), ZZCRASH_ENOTSUP);
    EXPECT_EQ(apply(0x00000000), ZZCRASH_ENOTSUP);
    zzcrash_async_thread_state_clear_reg(&current_, ZZCRASH_X86_64_RBP);
    EXPECT_EQ(apply(0x01000000), ZZCRASH_ENOTFOUND);
    zzcrash_async_thread_state_set_reg(&current_, ZZCRASH_X86_64_RBP, ~std::uint64_t{0} - 8);
    EXPECT_EQ(apply(0x01000000), ZZCRASH_EINVAL);
    zzcrash_async_thread_state_clear_reg(&current_, ZZCRASH_X86_64_RSP);
    EXPECT_EQ(apply(0x02020400), ZZCRASH_ENOTFOUND);
    zzcrash_async_thread_state_set_reg(&current_, ZZCRASH_X86_64_RSP, 8);
    EXPECT_EQ(apply(0x02020400), ZZCRASH_ENOTFOUND);  // page 0 cannot be read
}

// An image of another CPU (an ARM64 slice, an i386 one) has entries that
// name registers by that CPU's numbers: they are not this state's to apply.
TEST_F(CompactFrame, AnEntryOfAnotherCpuIsRefused) {
    const std::pair<int, std::uint32_t> entries[] = {
        {ZZCRASH_CPU_TYPE_ARM64, 0x04000011},  // frame, x27-x28 and x19-x20
        {ZZCRASH_CPU_TYPE_ARM64, 0x02001001},  // frameless, the return address in the link register
        {ZZCRASH_CPU_TYPE_X86, 0x02030400},
    };
    for (const auto& [cpuType, encoding] : entries) {
        zzcrash_async_thread_state_copy(&next_, &current_);
        EXPECT_EQ(apply(encoding, 0, cpuType), ZZCRASH_ENOTSUP) << std::hex << encoding;
        EXPECT_EQ(std::memcmp(&next_, &current_, sizeof next_), 0) << std::hex << encoding;
    }
    zzcrash_async_thread_state_init(&current_, ZZCRASH_CPU_TYPE_X86);
    zzcrash_async_thread_state_set_reg(&current_, ZZCRASH_X86_ESP, at(0));
    EXPECT_EQ(apply(0x02020400), ZZCRASH_ENOTSUP) << "an x86-64 entry in an i386 state";
    // An i386 entry is applied there (this 64-bit stack is out of its reach).
    EXPECT_NE(apply(0x02030400, 0, ZZCRASH_CPU_TYPE_X86), ZZCRASH_ENOTSUP);
}

}  // namespace
