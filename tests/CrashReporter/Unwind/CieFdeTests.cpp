// CIEs and FDEs of made-up eh_frame and debug_frame sections, and the search
// for the FDE that covers a pc.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_frame_reader.h"
#include "tests/CrashReporter/Unwind/CfiBytes.h"
#include "tests/CrashReporter/Unwind/DirectByteOrder.h"

namespace {

using namespace zzcrash::ZZ::async;
using tessivar::testing::unwind::CfiBytes;
using tessivar::testing::unwind::CieFields;
using tessivar::testing::unwind::FdeFields;
using tessivar::testing::unwind::MappedSection;
using tessivar::testing::unwind::SectionBytes;

using tessivar::testing::unwind::direct;

zzcrash_error_t parseCie(const MappedSection& section, std::uint64_t offset, zzcrash_async_dwarf_cie_info* cie) {
    const gnu_ehptr_reader<std::uint64_t> reader(direct);
    return zzcrash_async_dwarf_cie_info_init<std::uint64_t>(cie, section.mobj(), direct, &reader,
                                                            section.address() + offset);
}

// Maps the section and searches it for the FDE of `pc`.
zzcrash_error_t findFde(const SectionBytes& bytes, std::uint64_t pc, bool debugFrame = false,
                        zzcrash_async_dwarf_fde_info* found = nullptr) {
    const MappedSection section(bytes);
    zzcrash_async_dwarf_frame_reader reader;
    zzcrash_async_dwarf_frame_reader_init(&reader, section.mobj(), direct, true, debugFrame);
    zzcrash_async_dwarf_fde_info fde;
    return zzcrash_async_dwarf_frame_reader_find_fde(&reader, 0, pc, found ? found : &fde);
}

struct CieCase {
    const char* name;
    CieFields fields;
    zzcrash_error_t error;
};

TEST(DwarfCie, AcceptsVersionsAndAugmentationsItKnows) {
    CieFields version4;
    version4.version = 4;
    version4.augmentation = "";
    version4.id = 0xffffffff;
    CieFields eh;
    eh.augmentation = "eh";
    CieFields version2;
    version2.version = 2;
    CieFields badId;
    badId.id = 7;
    CieFields unknownLetter;
    unknownLetter.augmentation = "zXR";  // the walk stops at X; R is not read
    unknownLetter.augmentationData = {0x1b, 0x99};
    const CieCase cases[] = {
        {"zR", CieFields{}, ZZCRASH_ESUCCESS},
        {"version 4, debug_frame id", version4, ZZCRASH_ESUCCESS},
        {"augmentation eh", eh, ZZCRASH_ENOTSUP},
        {"version 2", version2, ZZCRASH_EINVAL},
        {"id neither 0 nor all ones", badId, ZZCRASH_EINVAL},
        {"unknown augmentation letter", unknownLetter, ZZCRASH_ESUCCESS},
    };
    for (const CieCase& c : cases) {
        SCOPED_TRACE(c.name);
        CfiBytes cfi;
        cfi.cie(c.fields);
        const MappedSection section(cfi.bytes());
        ASSERT_TRUE(section.mapped());
        zzcrash_async_dwarf_cie_info cie;
        EXPECT_EQ(parseCie(section, 0, &cie), c.error);
    }
}

TEST(DwarfCie, ReadsEveryField) {
    static const std::uint64_t personality = 0;
    CieFields fields;
    fields.augmentation = "zPLRS";
    fields.codeAlignment = 4;
    fields.dataAlignment = -4;
    fields.returnAddress = 30;
    fields.augmentationData = {DW_EH_PE_absptr};
    const auto address = reinterpret_cast<std::uint64_t>(&personality);
    for (int i = 0; i < 8; ++i) fields.augmentationData.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    fields.augmentationData.push_back(DW_EH_PE_udata4);                   // L
    fields.augmentationData.push_back(DW_EH_PE_pcrel | DW_EH_PE_sdata4);  // R
    fields.instructions = {0x0c, 0x07, 0x08};                             // DW_CFA_def_cfa rsp, 8
    CfiBytes cfi;
    cfi.cie(fields);
    const MappedSection section(cfi.bytes());
    ASSERT_TRUE(section.mapped());
    zzcrash_async_dwarf_cie_info cie;
    ASSERT_EQ(parseCie(section, 0, &cie), ZZCRASH_ESUCCESS);
    EXPECT_EQ(cie.cie_offset, 4u);
    EXPECT_EQ(cie.cie_length, cfi.bytes().size() - 4);
    EXPECT_EQ(cie.cie_version, 1);
    EXPECT_EQ(cie.code_alignment_factor, 4u);
    EXPECT_EQ(cie.data_alignment_factor, -4);
    EXPECT_EQ(cie.return_address_register, 30u);
    EXPECT_TRUE(cie.eh_augmentation.has_eh_augmentation);
    EXPECT_EQ(cie.eh_augmentation.personality_address, address);
    EXPECT_EQ(cie.eh_augmentation.lsda_encoding, DW_EH_PE_udata4);
    EXPECT_EQ(cie.eh_augmentation.pointer_encoding, DW_EH_PE_pcrel | DW_EH_PE_sdata4);
    EXPECT_TRUE(cie.eh_augmentation.signal_frame);
    // 4 + 4 + 1 + "zPLRS\0" + 3 LEB bytes + 1 length byte + 11 data bytes.
    EXPECT_EQ(zzcrash_async_dwarf_cie_info_initial_instructions_offset(&cie), 4 + 4 + 1 + 6 + 3 + 1 + 11u);
    EXPECT_EQ(zzcrash_async_dwarf_cie_info_initial_instructions_length(&cie), cfi.bytes().size() - 30);
}

TEST(DwarfCie, Version4ReadsAddressAndSegmentSizes) {
    CieFields fields;
    fields.version = 4;
    fields.augmentation = "";
    fields.addressSize = 8;
    fields.segmentSize = 2;
    CfiBytes cfi;
    cfi.cie(fields);
    const MappedSection section(cfi.bytes());
    zzcrash_async_dwarf_cie_info cie;
    ASSERT_EQ(parseCie(section, 0, &cie), ZZCRASH_ESUCCESS);
    EXPECT_EQ(cie.address_size, 8);
    EXPECT_EQ(cie.segment_size, 2);
    EXPECT_FALSE(cie.eh_augmentation.has_eh_augmentation);
}

TEST(DwarfCie, FieldsMustEndInsideTheEntry) {
    SectionBytes bytes;
    bytes.u32(6).u32(0).u8(1).text("zR");  // the length leaves no room for the alignment factors
    bytes.uleb(1).sleb(-8).uleb(16).uleb(1).u8(0);
    const MappedSection section(bytes);
    zzcrash_async_dwarf_cie_info cie;
    EXPECT_EQ(parseCie(section, 0, &cie), ZZCRASH_EINVAL);
}

TEST(DwarfCie, SixtyFourBitLengthAndId) {
    SectionBytes bytes;
    bytes.u32(0xffffffff).u64(0).u64(0).u8(1).text("").uleb(1).sleb(-8).uleb(16);
    bytes.patch32(4, static_cast<std::uint32_t>(bytes.size() - 12));
    const MappedSection section(bytes);
    zzcrash_async_dwarf_cie_info cie;
    ASSERT_EQ(parseCie(section, 0, &cie), ZZCRASH_ESUCCESS);
    EXPECT_EQ(cie.cie_offset, 12u);
    EXPECT_EQ(cie.initial_instructions_length, 0u);
}

// An eh_frame of a CIE and three FDEs for [0x1000, 0x1100), [0x1100, 0x1180)
// and [0x2000, 0x2010), then the terminator.
struct ThreeFunctions {
    ThreeFunctions() {
        cieOffset = cfi.cie(CieFields{});
        fdes[0] = cfi.fde(cieOffset, {0x1000, 0x100, true, {}});
        fdes[1] = cfi.fde(cieOffset, {0x1100, 0x80, true, {0x0e, 0x10}});
        fdes[2] = cfi.fde(cieOffset, {0x2000, 0x10, true, {}});
        cfi.terminator();
    }
    CfiBytes cfi;
    std::size_t cieOffset;
    std::size_t fdes[3];
};

TEST(DwarfFrameReader, FindsTheFdeThatCoversThePc) {
    const ThreeFunctions sample;
    const MappedSection section(sample.cfi.bytes());
    ASSERT_TRUE(section.mapped());
    zzcrash_async_dwarf_frame_reader reader;
    zzcrash_async_dwarf_frame_reader_init(&reader, section.mobj(), direct, true, false);
    const std::pair<std::uint64_t, int> found[] = {{0x1000, 0}, {0x10ff, 0}, {0x1100, 1}, {0x117f, 1}, {0x2000, 2}};
    for (const auto& [pc, index] : found) {
        zzcrash_async_dwarf_fde_info fde;
        ASSERT_EQ(zzcrash_async_dwarf_frame_reader_find_fde(&reader, 0, pc, &fde), ZZCRASH_ESUCCESS) << pc;
        EXPECT_EQ(fde.fde_offset, sample.fdes[index] + 4) << pc;
        EXPECT_EQ(fde.cie_offset, sample.cieOffset) << pc;
    }
    zzcrash_async_dwarf_fde_info fde;
    EXPECT_EQ(zzcrash_async_dwarf_frame_reader_find_fde(&reader, 0, 0x1180, &fde), ZZCRASH_ENOTFOUND);  // at pc end
    EXPECT_EQ(zzcrash_async_dwarf_frame_reader_find_fde(&reader, 0, 0xfff, &fde), ZZCRASH_ENOTFOUND);
    EXPECT_EQ(zzcrash_async_dwarf_frame_reader_find_fde(&reader, sample.fdes[2], 0x1000, &fde), ZZCRASH_ENOTFOUND);
    EXPECT_EQ(zzcrash_async_dwarf_frame_reader_find_fde(&reader, sample.cfi.bytes().size(), 0x1000, &fde),
              ZZCRASH_EINVAL);
}

TEST(DwarfFrameReader, FdeFieldsAndInstructions) {
    const ThreeFunctions sample;
    const MappedSection section(sample.cfi.bytes());
    zzcrash_async_dwarf_fde_info fde;
    ASSERT_EQ(zzcrash_async_dwarf_fde_info_init<std::uint64_t>(&fde, section.mobj(), direct,
                                                               section.address() + sample.fdes[1], false),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(fde.pc_start, 0x1100u);
    EXPECT_EQ(fde.pc_end, 0x1180u);
    // length, CIE pointer, 2 addresses, the empty augmentation data's length.
    EXPECT_EQ(zzcrash_async_dwarf_fde_info_instructions_offset(&fde), sample.fdes[1] + 4 + 4 + 16 + 1);
    EXPECT_EQ(zzcrash_async_dwarf_fde_info_instructions_length(&fde), 3u);  // DW_CFA_def_cfa_offset 16 and a nop
}

TEST(DwarfFrameReader, SectionWithoutTerminatorEndsTheSearch) {
    CfiBytes cfi;
    const std::size_t cie = cfi.cie(CieFields{});
    cfi.fde(cie, {0x1000, 0x10, true, {}});
    EXPECT_EQ(findFde(cfi.bytes(), 0x2000), ZZCRASH_ENOTFOUND);
}

// The FDE's pc is stored relative to its own field (pcrel sdata4), and its
// CIE's zPLR augmentation gives it 9 bytes of augmentation data (an 8-byte LSDA
// pointer) to skip before its instructions.
TEST(DwarfFrameReader, PcRelativeStartAndAugmentationData) {
    CieFields fields;
    fields.augmentation = "zPLR";
    fields.augmentationData = {DW_EH_PE_udata2, 0, 0, DW_EH_PE_absptr, DW_EH_PE_pcrel | DW_EH_PE_sdata4};
    CfiBytes cfi;
    cfi.cie(fields);
    SectionBytes bytes = cfi.bytes();
    const std::size_t fdeStart = bytes.size();
    bytes.u32(0).u32(static_cast<std::uint32_t>(fdeStart + 4));
    const std::size_t field = bytes.size();
    bytes.u32(static_cast<std::uint32_t>(-0x40)).u32(0x20);
    bytes.uleb(8).u64(0x1234);
    const std::size_t instructions = bytes.size();
    bytes.u8(0x0e).u8(0x10);
    bytes.patch32(fdeStart, static_cast<std::uint32_t>(bytes.size() - fdeStart - 4));
    const MappedSection section(bytes);
    zzcrash_async_dwarf_fde_info fde;
    ASSERT_EQ(zzcrash_async_dwarf_fde_info_init<std::uint64_t>(&fde, section.mobj(), direct,
                                                               section.address() + fdeStart, false),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(fde.pc_start, section.address() + field - 0x40);
    EXPECT_EQ(fde.pc_end, fde.pc_start + 0x20);
    EXPECT_EQ(fde.instructions_offset, instructions);
    EXPECT_EQ(fde.instructions_length, 2u);
}

TEST(DwarfFrameReader, DebugFrameEntriesPointAtTheirCieByOffset) {
    CieFields fields;
    fields.id = 0xffffffff;
    fields.augmentation = "";
    fields.version = 3;
    CfiBytes cfi;
    const std::size_t cie = cfi.cie(fields);
    const std::size_t fdeOffset = cfi.fde(cie, {0x5000, 0x40, false, {}}, true);
    zzcrash_async_dwarf_fde_info fde;
    ASSERT_EQ(findFde(cfi.bytes(), 0x5010, true, &fde), ZZCRASH_ESUCCESS);
    EXPECT_EQ(fde.fde_offset, fdeOffset + 4);
    EXPECT_EQ(fde.cie_offset, cie);
    // Read as eh_frame, the same bytes have no CIE with id 0 and lead nowhere.
    EXPECT_NE(findFde(cfi.bytes(), 0x5010), ZZCRASH_ESUCCESS);
}

TEST(DwarfFrameReader, AnFdeThatCannotBeParsedEndsTheSearchWithItsError) {
    CfiBytes cfi;
    CieFields eh;
    eh.augmentation = "eh";
    const std::size_t cie = cfi.cie(eh);
    cfi.fde(cie, {0x1000, 0x10, false, {}});
    EXPECT_EQ(findFde(cfi.bytes(), 0x1000), ZZCRASH_ENOTSUP);
}

TEST(DwarfFrameReader, CiePointerBeforeTheSectionIsRefused) {
    SectionBytes bytes;
    bytes.u32(20).u32(0x7fffffff).u64(0x1000).u64(0x10);
    const MappedSection section(bytes);
    zzcrash_async_dwarf_fde_info fde;
    EXPECT_EQ(zzcrash_async_dwarf_fde_info_init<std::uint64_t>(&fde, section.mobj(), direct, section.address(), false),
              ZZCRASH_EINVAL);
}

TEST(DwarfFrameReader, ThirtyTwoBitAddressesWrapAtTheirWidth) {
    CfiBytes cfi;
    const std::size_t cie = cfi.cie(CieFields{});
    (void)cie;
    SectionBytes bytes = cfi.bytes();
    const std::size_t fdeStart = bytes.size();
    bytes.u32(16).u32(static_cast<std::uint32_t>(fdeStart + 4)).u32(0xfffffff0).u32(0x20).uleb(0).u8(0).u8(0).u8(0);
    const MappedSection section(bytes, true);
    ASSERT_TRUE(section.mapped());
    zzcrash_async_dwarf_fde_info fde;
    EXPECT_EQ(zzcrash_async_dwarf_fde_info_init<std::uint32_t>(
                  &fde, section.mobj(), direct, static_cast<std::uint32_t>(section.address() + fdeStart), false),
              ZZCRASH_EINVAL);
}

}  // namespace
