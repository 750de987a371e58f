// What an image's tables made when it is listed answer at crash time, against
// what a search through the whole of the image's own tables answers (the way
// the crash path found them before): the FDE of a pc from .eh_frame_hdr's
// search table, through its samples and without them (an image first seen in
// a crash), and the function of a pc from the sorted symbols.
//
// Symbol pcs are spread as groups of four around one function: `spread` keeps
// every n-th of them, so most functions are met at one or two of their edges.
#include <elf.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_fde_info.h"
#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/Elf/zzcrash_async_elf_image_file.h"
#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "tests/CrashReporter/Elf/ElfSymbolLookUp.h"
#include "tests/CrashReporter/Support/FoundSymbol.h"

using namespace zzcrash::ZZ::async;

namespace {

class ListedImages : public ::testing::Test {
protected:
    ListedImages() {
        zzcrash_async_image_list_init(&list_, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
        zzcrash_elf_image_list_refresh(&list_);
        for (auto* image = zzcrash_async_image_list_next(&list_, nullptr); image;
             image = zzcrash_async_image_list_next(&list_, image))
            images_.push_back(reinterpret_cast<const zzcrash_async_elf_image*>(image));
    }
    ~ListedImages() override { zzcrash_async_image_list_free(&list_); }

    zzcrash_async_image_list list_{};
    std::vector<const zzcrash_async_elf_image*> images_;
};

// The FDEs of a section in section order, as the whole-section search meets them.
struct SectionFde {
    std::uint64_t address;
    zzcrash_async_dwarf_fde_info info;
};
std::vector<SectionFde> sectionFdes(const zzcrash_async_mobject* section) {
    std::vector<SectionFde> fdes;
    const std::uint64_t base = zzcrash_async_mobject_base_address(section);
    const std::uint64_t end = base + zzcrash_async_mobject_length(section);
    for (std::uint64_t at = base; at + 8 <= end;) {
        std::uint32_t length = 0;
        std::uint32_t id = 0;
        zzcrash_async_mobject_read_uint32(section, &zzcrash_async_byteorder_direct, at, 0, &length);
        zzcrash_async_mobject_read_uint32(section, &zzcrash_async_byteorder_direct, at, 4, &id);
        if (length == 0 || length == 0xffffffffu) break;
        zzcrash_async_dwarf_fde_info info{};
        if (id != 0 && zzcrash_async_dwarf_fde_info_init<std::uint64_t>(&info, section, &zzcrash_async_byteorder_direct,
                                                                        at, false) == ZZCRASH_ESUCCESS)
            fdes.push_back({at, info});
        at += 4 + length;
    }
    return fdes;
}

// The FDE the search table leads to for the pc: the first candidate that covers it.
std::uint64_t fdeByTable(const zzcrash_async_elf_image* image, const zzcrash_async_mobject* section, std::uint64_t pc) {
    std::uint64_t candidates[4];
    std::uint32_t count = 0;
    if (zzcrash_async_elf_fde_candidates(image, nullptr, pc, candidates, 4, &count) != ZZCRASH_ESUCCESS) return 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        zzcrash_async_dwarf_fde_info info{};
        if (zzcrash_async_dwarf_fde_info_init<std::uint64_t>(&info, section, &zzcrash_async_byteorder_direct,
                                                             candidates[i], false) == ZZCRASH_ESUCCESS &&
            info.pc_start <= pc && pc < info.pc_end)
            return candidates[i];
    }
    return 0;
}

// What a search through the section finds: the first FDE in section order
// that covers the pc.
std::uint64_t fdeBySection(const std::vector<SectionFde>& fdes, std::uint64_t pc) {
    for (const SectionFde& fde : fdes) {
        if (fde.info.pc_start <= pc && pc < fde.info.pc_end) return fde.address;
    }
    return 0;
}

// Every table-listed image's pcs are too many to try: the things to try are
// spread over the whole list.
template <class Item>
std::vector<Item> spread(const std::vector<Item>& items, std::size_t most) {
    std::vector<Item> chosen;
    const std::size_t stride = std::max<std::size_t>(1, items.size() / most);
    for (std::size_t i = 0; i < items.size(); i += stride) chosen.push_back(items[i]);
    return chosen;
}

// Around FDEs' ranges: the first byte, the last, the byte after and the byte
// before (a gap, or the FDE before).
std::vector<std::uint64_t> pcsAround(const std::vector<SectionFde>& fdes) {
    std::vector<std::uint64_t> pcs;
    for (const SectionFde& fde : spread(fdes, 500)) {
        if (fde.info.pc_start == 0) continue;
        pcs.insert(pcs.end(), {fde.info.pc_start - 1, fde.info.pc_start, fde.info.pc_end - 1, fde.info.pc_end});
    }
    return pcs;
}

TEST_F(ListedImages, TheSearchTableLeadsToTheFdeASearchOfTheSectionFinds) {
    int checked = 0;
    for (const zzcrash_async_elf_image* image : images_) {
        if (image->fde_table_count == 0) continue;
        SCOPED_TRACE(image->name);
        EXPECT_NE(image->fde_samples, nullptr) << "a listed image keeps samples of its table";
        zzcrash_async_mobject section;
        ASSERT_EQ(zzcrash_async_elf_map_eh_frame(image, &section), ZZCRASH_ESUCCESS);
        const std::vector<SectionFde> fdes = sectionFdes(&section);
        EXPECT_EQ(fdes.size(), image->fde_table_count) << "the table lists every FDE";
        // As listed, and as an image first seen in a crash, without samples.
        zzcrash_async_elf_image unsampled = *image;
        unsampled.fde_samples = nullptr;
        unsampled.fde_sample_count = 0;
        for (const std::uint64_t pc : pcsAround(fdes)) {
            const std::uint64_t expected = fdeBySection(fdes, pc);
            ASSERT_EQ(fdeByTable(image, &section, pc), expected) << std::hex << "pc 0x" << pc;
            ASSERT_EQ(fdeByTable(&unsampled, &section, pc), expected) << std::hex << "pc 0x" << pc;
            ++checked;
        }
        zzcrash_async_mobject_free(&section);
    }
    EXPECT_GT(checked, 1000);
}

using Found = tessivar::testing::FoundSymbol;
using tessivar::testing::lookUpElfSymbol;

// Every defined function's first and last byte, the byte after it and the
// byte before it, the exported ones and those of the file's table: nested functions, aliases of one start, functions of
// no size and gaps between them are all met in a libc.
std::vector<std::uint64_t> pcsAround(const zzcrash_async_elf_image* image) {
    std::vector<std::uint64_t> pcs;
    zzcrash_async_mobject table;
    if (zzcrash_async_mobject_init(&table, image->task, image->dynsym_address, image->dynsym_count * sizeof(Elf64_Sym),
                                   true) != ZZCRASH_ESUCCESS)
        return pcs;
    const auto* symbols = static_cast<const Elf64_Sym*>(
        zzcrash_async_mobject_local_pointer(&table, image->dynsym_address, 0, image->dynsym_count * sizeof(Elf64_Sym)));
    for (std::uint64_t i = 0; i < image->dynsym_count; ++i) {
        if (ELF64_ST_TYPE(symbols[i].st_info) != STT_FUNC || symbols[i].st_value == 0) continue;
        const std::uint64_t start = image->bias + symbols[i].st_value;
        const std::uint64_t last = start + (symbols[i].st_size ? symbols[i].st_size - 1 : 0);
        pcs.insert(pcs.end(), {start - 1, start, last, last + 1});
    }
    zzcrash_async_mobject_free(&table);
    // And those of the functions only the file lists.
    for (std::uint64_t i = 0; i < image->sorted_symbol_count; ++i) {
        const zzcrash_async_elf_symbol& symbol = image->sorted_symbols[i];
        if ((symbol.name & ZZCRASH_ELF_FILE_NAME) == 0) continue;
        const std::uint64_t start = image->bias + symbol.start;
        const std::uint64_t last = start + (symbol.size ? symbol.size - 1 : 0);
        pcs.insert(pcs.end(), {start - 1, start, last, last + 1});
    }
    return pcs;
}

// The sorted table, the file's functions in it, against the slow way an image
// first seen in a crash is named: the whole dynamic table in memory, then the
// whole symbol table read from the file.
TEST_F(ListedImages, TheSortedSymbolsNameEveryPcAsTheWholeTablesDo) {
    int checked = 0;
    for (const zzcrash_async_elf_image* image : images_) {
        if (image->dynsym_count == 0) continue;
        SCOPED_TRACE(image->name);
        ASSERT_NE(image->sorted_symbols, nullptr) << "a listed image sorts its functions";
        const zzcrash_async_elf_image& sorted = *image;
        zzcrash_async_elf_image unsorted = *image;
        unsorted.sorted_symbols = nullptr;
        // The whole tables are read for each answer the slow way: about a hundred pcs an image.
        for (const std::uint64_t pc : spread(pcsAround(image), 120)) {
            const Found bySort = lookUpElfSymbol(&sorted, pc);
            const Found whole = lookUpElfSymbol(&unsorted, pc);
            ASSERT_EQ(bySort.error, whole.error) << std::hex << "pc 0x" << pc;
            ASSERT_EQ(bySort.start, whole.start) << std::hex << "pc 0x" << pc;
            ASSERT_EQ(bySort.name, whole.name) << std::hex << "pc 0x" << pc;
            ++checked;
        }
    }
    EXPECT_GT(checked, 500);
}

}  // namespace
