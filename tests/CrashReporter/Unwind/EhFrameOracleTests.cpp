// Every unwind row of the system's C and C++ libraries, as this process has
// them loaded, and of a library of the tests' own that uses the rarer
// operations, against llvm-dwarfdump --eh-frame and GNU readelf's
// interpretation of the same tables.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_cfa_state.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_frame_reader.h"
#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "tests/CrashReporter/Support/HexText.h"
#include "tests/CrashReporter/Unwind/CfiOracle.h"
#include "tests/CrashReporter/Unwind/CfiRowText.h"
#include "tests/CrashReporter/Unwind/DirectByteOrder.h"

namespace {

using namespace zzcrash::ZZ::async;
using tessivar::testing::unwind::CfiOracle;
using tessivar::testing::unwind::OracleFde;

using tessivar::testing::unwind::direct;

std::string baseName(const char* path) {
    const std::string text = path ? path : "";
    return text.substr(text.rfind('/') + 1);
}

struct Tally {
    std::size_t fdes = 0;
    std::size_t rows = 0;
    std::size_t searched = 0;
    // Rows whose CFA llvm-dwarfdump 14 gives otherwise while its rules and
    // readelf's CFA agree with the reader: it does not restore the CFA on
    // DW_CFA_restore_state (it saves only the register rules), readelf does.
    std::size_t dwarfdumpKeptCfa = 0;
    std::size_t failures = 0;
};

class SystemLibraries : public ::testing::Test {
protected:
    SystemLibraries() {
        zzcrash_async_image_list_init(&list_, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
        zzcrash_elf_image_list_refresh(&list_);
    }
    ~SystemLibraries() override { zzcrash_async_image_list_free(&list_); }

    const zzcrash_async_elf_image* library(const std::string& prefix) {
        for (zzcrash_async_image* image = zzcrash_async_image_list_next(&list_, nullptr); image;
             image = zzcrash_async_image_list_next(&list_, image)) {
            const auto* elf = reinterpret_cast<const zzcrash_async_elf_image*>(image);
            if (baseName(elf->name).rfind(prefix, 0) == 0) return elf;
        }
        return nullptr;
    }

    void compare(const char* prefix, const char* committedName);
    void compareWith(const zzcrash_async_elf_image* image, const CfiOracle& oracle, const char* name,
                     std::size_t leastFdes = 1000);

    zzcrash_async_image_list list_{};
};

// The rows of one FDE, each worked out afresh at its location.
void compareFde(const zzcrash_async_mobject* section, std::uint64_t bias, const OracleFde& expected,
                const CfiOracle& oracle, Tally* tally) {
    const std::uint64_t base = zzcrash_async_mobject_base_address(section);
    zzcrash_async_dwarf_fde_info fde;
    ASSERT_EQ(zzcrash_async_dwarf_fde_info_init<std::uint64_t>(&fde, section, direct, base + expected.offset, false),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(fde.pc_start - bias, expected.pcStart) << expected.offset;
    EXPECT_EQ(fde.pc_end - bias, expected.pcEnd) << expected.offset;
    const gnu_ehptr_reader<std::uint64_t> pointers(direct);
    zzcrash_async_dwarf_cie_info cie;
    ASSERT_EQ(zzcrash_async_dwarf_cie_info_init<std::uint64_t>(&cie, section, direct, &pointers, base + fde.cie_offset),
              ZZCRASH_ESUCCESS);
    ++tally->fdes;
    for (const auto& [location, text] : expected.rows) {
        dwarf_cfa_state<std::uint64_t, std::int64_t> rules;
        const std::uint64_t pc = location + bias;
        ASSERT_EQ(rules.eval_program(section, pc, fde.pc_start, &cie, &pointers, direct, base,
                                     static_cast<std::int64_t>(cie.initial_instructions_offset),
                                     cie.initial_instructions_length),
                  ZZCRASH_ESUCCESS);
        ASSERT_EQ(rules.eval_program(section, pc, fde.pc_start, &cie, &pointers, direct, base,
                                     static_cast<std::int64_t>(fde.instructions_offset), fde.instructions_length),
                  ZZCRASH_ESUCCESS)
            << std::hex << location;
        ++tally->rows;
        const std::string ours = tessivar::testing::unwind::dwarfdumpRow(rules, section);
        const std::string readelf = oracle.readelfCfaAt(expected.offset, location);
        const bool cfaAgrees = tessivar::testing::unwind::readelfCfa(rules) == readelf;
        const std::string ourRules = ours.substr(ours.find(':') == std::string::npos ? ours.size() : ours.find(':'));
        const std::string theirRules = text.substr(text.find(':') == std::string::npos ? text.size() : text.find(':'));
        if (ours != text && cfaAgrees && ourRules == theirRules) {
            ++tally->dwarfdumpKeptCfa;
            continue;
        }
        if (ours == text && cfaAgrees) continue;
        if (++tally->failures <= 10)
            ADD_FAILURE() << "FDE at 0x" << std::hex << expected.offset << ", row 0x" << location
                          << ":\n  ours:      " << ours << "\n  dwarfdump: " << text << "\n  readelf CFA: " << readelf;
    }
}

// Against the tools when they are installed, and against the committed
// answers when they were made from this very build of the library.
void SystemLibraries::compare(const char* prefix, const char* committedName) {
    const zzcrash_async_elf_image* image = library(prefix);
    ASSERT_NE(image, nullptr) << prefix << " is not loaded";
    const std::string buildId = image->has_uuid ? tessivar::testing::hexText(image->uuid, sizeof image->uuid) : "";
    const std::optional<CfiOracle> tools = tessivar::testing::unwind::runCfiTools(image->name);
    const std::optional<CfiOracle> committed = tessivar::testing::unwind::committedCfiAnswers(committedName, buildId);
    if (!tools && !committed)
        GTEST_SKIP() << "no tools, and the committed answers are for another " << committedName << " than " << buildId;
    if (tools) compareWith(image, *tools, committedName);
    if (committed) compareWith(image, *committed, committedName);
}

void SystemLibraries::compareWith(const zzcrash_async_elf_image* image, const CfiOracle& oracle, const char* name,
                                  std::size_t leastFdes) {
    zzcrash_async_mobject section;
    ASSERT_EQ(zzcrash_async_elf_map_eh_frame(image, &section), ZZCRASH_ESUCCESS);
    Tally tally;
    for (const OracleFde& fde : oracle.fdes) compareFde(&section, image->bias, fde, oracle, &tally);
    // The search itself, from the start of the section, on every 64th FDE.
    zzcrash_async_dwarf_frame_reader reader;
    zzcrash_async_dwarf_frame_reader_init(&reader, &section, direct, true, false);
    for (std::size_t i = 0; i < oracle.fdes.size(); i += 64, ++tally.searched) {
        const OracleFde& expected = oracle.fdes[i];
        zzcrash_async_dwarf_fde_info found;
        ASSERT_EQ(zzcrash_async_dwarf_frame_reader_find_fde(&reader, 0, expected.pcEnd - 1 + image->bias, &found),
                  ZZCRASH_ESUCCESS);
        EXPECT_EQ(found.fde_offset, expected.offset + 4);
    }
    zzcrash_async_mobject_free(&section);
    EXPECT_EQ(tally.failures, 0u);
    EXPECT_GE(tally.fdes, leastFdes);
    EXPECT_EQ(tally.fdes, oracle.readelfCieOf.size());
    std::printf(
        "%s, against %s: %zu FDEs and %zu rows compared, %zu FDE searches; in %zu rows llvm-dwarfdump gives "
        "another CFA (it keeps the CFA across DW_CFA_restore_state) and readelf agrees with the reader\n",
        name, oracle.source.c_str(), tally.fdes, tally.rows, tally.searched, tally.dwarfdumpKeptCfa);
}

TEST_F(SystemLibraries, EveryRowOfTheCLibrary) { compare("libc.so", "libc.so.6"); }

TEST_F(SystemLibraries, EveryRowOfTheCppLibrary) { compare("libstdc++.so", "libstdc++.so.6"); }

// DW_CFA_def_cfa_sf and DW_CFA_def_cfa_offset_sf count their offsets in the
// CIE's data alignment factor, -8 here; neither system library uses them.
TEST_F(SystemLibraries, EveryRowOfALibraryWithSignedCfaOffsets) {
    ASSERT_NE(dlopen(TESSIVAR_SIGNED_CFA_LIBRARY, RTLD_NOW | RTLD_LOCAL), nullptr) << dlerror();
    zzcrash_elf_image_list_refresh(&list_);
    const zzcrash_async_elf_image* image = library("libtessivar_signed_cfa.so");
    ASSERT_NE(image, nullptr);
    const std::optional<CfiOracle> tools = tessivar::testing::unwind::runCfiTools(image->name);
    if (!tools) GTEST_SKIP() << "llvm-dwarfdump and readelf are not installed";
    compareWith(image, *tools, "libtessivar_signed_cfa.so", 1);
}

}  // namespace
