// The crash-time half of the ELF image record: it reads only what init found,
// through snapshots, and allocates nothing.
#include <elf.h>

#include <algorithm>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/Elf/zzcrash_async_elf_image_file.h"

namespace {

struct Tables {
    zzcrash_async_mobject symbols;
    zzcrash_async_mobject strings;
};

zzcrash_error_t mapTables(const zzcrash_async_elf_image* image, Tables* tables) {
    if (image->dynsym_count == 0 || image->dynstr_size == 0) return ZZCRASH_ENOTFOUND;
    zzcrash_error_t error = zzcrash_async_mobject_init(&tables->symbols, image->task, image->dynsym_address,
                                                       image->dynsym_count * sizeof(Elf64_Sym), true);
    if (error != ZZCRASH_ESUCCESS) return error;
    error = zzcrash_async_mobject_init(&tables->strings, image->task, image->dynstr_address, image->dynstr_size, true);
    if (error != ZZCRASH_ESUCCESS) zzcrash_async_mobject_free(&tables->symbols);
    return error;
}

void unmapTables(Tables* tables) {
    zzcrash_async_mobject_free(&tables->symbols);
    zzcrash_async_mobject_free(&tables->strings);
}

// A defined function whose bytes hold the pc.
bool holds(const Elf64_Sym& symbol, std::uint64_t bias, std::uint64_t pc) {
    if (ELF64_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_shndx == SHN_UNDEF || symbol.st_value == 0) return false;
    const std::uint64_t start = symbol.st_value + bias;
    if (pc < start) return false;
    return symbol.st_size == 0 ? pc == start : pc - start < symbol.st_size;
}

const char* nameAt(const Tables& tables, std::uint32_t offset) {
    const std::uint64_t base = zzcrash_async_mobject_base_address(&tables.strings);
    const std::uint64_t length = zzcrash_async_mobject_length(&tables.strings);
    for (std::uint64_t at = offset; at < length; ++at) {
        const auto* byte = static_cast<const char*>(
            zzcrash_async_mobject_local_pointer(&tables.strings, base, static_cast<std::int64_t>(at), 1));
        if (*byte == '\0')
            return static_cast<const char*>(
                zzcrash_async_mobject_local_pointer(&tables.strings, base, offset, at - offset + 1));
    }
    return nullptr;
}

// Names longer than this are cut where the sorted table is used.
constexpr std::uint64_t sortedNameBytes = 1024;

bool sortedHolds(const zzcrash_async_elf_symbol& symbol, std::uint64_t offset) {
    if (offset < symbol.start) return false;
    return symbol.size == 0 ? offset == symbol.start : offset - symbol.start < symbol.size;
}

// The binary search over the symbols sorted when the image was listed: the
// holder with the highest start, the first in table order among equal ones.
// The scan down from the last start at or below the pc ends where no earlier
// function reaches the pc.
const zzcrash_async_elf_symbol* sortedHolder(const zzcrash_async_elf_image* image, std::uint64_t pc) {
    if (pc < image->bias || pc - image->bias > UINT32_MAX) return nullptr;
    const std::uint64_t offset = pc - image->bias;
    const zzcrash_async_elf_symbol* symbols = image->sorted_symbols;
    std::uint64_t low = 0;
    for (std::uint64_t high = image->sorted_symbol_count; low < high;) {
        const std::uint64_t mid = low + (high - low) / 2;
        if (symbols[mid].start <= offset)
            low = mid + 1;
        else
            high = mid;
    }
    const zzcrash_async_elf_symbol* best = nullptr;
    for (std::uint64_t i = low; i > 0 && symbols[i - 1].reach > offset; --i) {
        const zzcrash_async_elf_symbol& symbol = symbols[i - 1];
        if (best && symbol.start != best->start) break;
        if (sortedHolds(symbol, offset)) best = &symbol;
    }
    return best;
}

zzcrash_error_t dynamicName(const zzcrash_async_elf_image* image, zzcrash_async_page_cache* pages, std::uint32_t offset,
                            char name[sortedNameBytes + 1]) {
    const std::uint64_t length = std::min(sortedNameBytes, image->dynstr_size - offset);
    const zzcrash_error_t error =
        zzcrash_async_page_cache_copy(pages, image->task, image->dynstr_address + offset, name, length);
    if (error == ZZCRASH_ESUCCESS) name[length] = '\0';
    return error;
}

zzcrash_error_t sortedSymbolAt(const zzcrash_async_elf_image* image, zzcrash_async_page_cache* pages, std::uint64_t pc,
                               zzcrash_async_macho_found_symbol_cb callback, void* context) {
    const zzcrash_async_elf_symbol* symbol = sortedHolder(image, pc);
    if (!symbol) return ZZCRASH_ENOTFOUND;
    char name[sortedNameBytes + 1];
    const zzcrash_error_t error =
        symbol->name & ZZCRASH_ELF_FILE_NAME
            ? zzcrash_async_elf_file_name(image, symbol->name & ~ZZCRASH_ELF_FILE_NAME, name, sortedNameBytes)
            : dynamicName(image, pages, symbol->name, name);
    if (error != ZZCRASH_ESUCCESS) return error;
    callback(symbol->start + image->bias, name, context);
    return ZZCRASH_ESUCCESS;
}

// The dynamic symbol table's holder, or null.
const Elf64_Sym* dynamicHolder(const Tables& tables, const zzcrash_async_elf_image* image, std::uint64_t pc) {
    const auto* symbols = static_cast<const Elf64_Sym*>(zzcrash_async_mobject_local_pointer(
        &tables.symbols, image->dynsym_address, 0, image->dynsym_count * sizeof(Elf64_Sym)));
    const Elf64_Sym* best = nullptr;
    for (std::uint64_t i = 0; i < image->dynsym_count; ++i) {
        if (holds(symbols[i], image->bias, pc) && (!best || symbols[i].st_value > best->st_value)) best = &symbols[i];
    }
    return best;
}

// Without a sorted table the image was not listed (a library opened after the
// enable, first seen in the crash): its exported functions are searched in the
// dynamic table in memory, and the others in its file's symbol table, as the
// listing would have taken them in. The holder with the higher start wins, an
// exported one among equal starts.
zzcrash_error_t unsortedSymbolAt(const zzcrash_async_elf_image* image, std::uint64_t pc,
                                 zzcrash_async_macho_found_symbol_cb callback, void* context) {
    char fileName[sortedNameBytes + 1];
    std::uint64_t fileStart = 0;
    const bool inFile =
        zzcrash_async_elf_file_function_at(image, pc, &fileStart, fileName, sortedNameBytes) == ZZCRASH_ESUCCESS;
    Tables tables;
    zzcrash_error_t error = mapTables(image, &tables);
    if (error != ZZCRASH_ESUCCESS) {
        if (inFile) callback(fileStart, fileName, context);
        return inFile ? ZZCRASH_ESUCCESS : error;
    }
    const Elf64_Sym* best = dynamicHolder(tables, image, pc);
    if (inFile && (!best || fileStart > best->st_value + image->bias)) {
        callback(fileStart, fileName, context);
        unmapTables(&tables);
        return ZZCRASH_ESUCCESS;
    }
    const char* name = best ? nameAt(tables, best->st_name) : nullptr;
    error = !best ? ZZCRASH_ENOTFOUND : !name ? ZZCRASH_EINVAL : ZZCRASH_ESUCCESS;
    if (error == ZZCRASH_ESUCCESS) callback(best->st_value + image->bias, name, context);
    unmapTables(&tables);
    return error;
}

}  // namespace

zzcrash_error_t zzcrash_async_elf_symbol_at_pc(const zzcrash_async_elf_image* image, std::uint64_t pc,
                                               zzcrash_async_macho_found_symbol_cb callback, void* context) {
    return zzcrash_async_elf_symbol_at_pc_through(image, nullptr, pc, callback, context);
}

zzcrash_error_t zzcrash_async_elf_symbol_at_pc_through(const zzcrash_async_elf_image* image,
                                                       zzcrash_async_page_cache* pages, std::uint64_t pc,
                                                       zzcrash_async_macho_found_symbol_cb callback, void* context) {
    if (image->sorted_symbols) return sortedSymbolAt(image, pages, pc, callback, context);
    return unsortedSymbolAt(image, pc, callback, context);
}

zzcrash_error_t zzcrash_async_elf_map_eh_frame(const zzcrash_async_elf_image* image, zzcrash_async_mobject* section) {
    if (image->eh_frame_address == 0) return ZZCRASH_ENOTFOUND;
    return zzcrash_async_mobject_init(section, image->task, image->eh_frame_address, image->eh_frame_size, true);
}

namespace {

using TableEntry = zzcrash_async_elf_fde_table_entry;

// How many of `length` sorted starts lie at or below the target.
template <class StartOf>
std::uint64_t countAtOrBelow(std::uint64_t length, std::int64_t target, StartOf startOf) {
    std::uint64_t low = 0;
    for (std::uint64_t high = length; low < high;) {
        const std::uint64_t mid = low + (high - low) / 2;
        if (startOf(mid) <= target)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

// The block of entries that must hold the last start at or below `target`:
// found in the samples taken when the image was listed, or else by reading
// single starts until the range fits a block.
zzcrash_error_t narrowToBlock(const zzcrash_async_elf_image* image, zzcrash_async_page_cache* pages,
                              std::int64_t target, std::uint64_t* first, std::uint64_t* end) {
    *first = 0;
    *end = image->fde_table_count;
    if (image->fde_samples) {
        const std::int32_t* samples = image->fde_samples;
        const std::uint64_t above =
            countAtOrBelow(image->fde_sample_count, target, [samples](std::uint64_t i) { return samples[i]; });
        if (above == 0) return ZZCRASH_ENOTFOUND;
        *first = (above - 1) * ZZCRASH_ELF_FDE_SAMPLE_STRIDE;
        *end = std::min(*end, *first + ZZCRASH_ELF_FDE_SAMPLE_STRIDE);
        return ZZCRASH_ESUCCESS;
    }
    while (*end - *first > ZZCRASH_ELF_FDE_SAMPLE_STRIDE) {
        const std::uint64_t mid = *first + (*end - *first) / 2;
        std::int32_t start = 0;
        const zzcrash_error_t error = zzcrash_async_page_cache_copy(
            pages, image->task, image->fde_table_address + mid * sizeof(TableEntry), &start, 4);
        if (error != ZZCRASH_ESUCCESS) return error;
        if (start <= target)
            *first = mid;
        else
            *end = mid;
    }
    return ZZCRASH_ESUCCESS;
}

}  // namespace

zzcrash_error_t zzcrash_async_elf_fde_candidates(const zzcrash_async_elf_image* image, zzcrash_async_page_cache* pages,
                                                 std::uint64_t pc, std::uint64_t* fdes, std::uint32_t capacity,
                                                 std::uint32_t* count) {
    *count = 0;
    if (image->fde_table_count == 0) return ZZCRASH_ENOTFOUND;
    const auto target = static_cast<std::int64_t>(pc - image->eh_frame_hdr_address);
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    zzcrash_error_t error = narrowToBlock(image, pages, target, &first, &end);
    if (error != ZZCRASH_ESUCCESS) return error;
    TableEntry block[ZZCRASH_ELF_FDE_SAMPLE_STRIDE];
    const std::uint64_t length = end - first;
    error = zzcrash_async_page_cache_copy(pages, image->task, image->fde_table_address + first * sizeof(TableEntry),
                                          block, length * sizeof(TableEntry));
    if (error != ZZCRASH_ESUCCESS) return error;
    const std::uint64_t above = countAtOrBelow(length, target, [&block](std::uint64_t i) { return block[i].start; });
    if (above == 0) return ZZCRASH_ENOTFOUND;
    std::uint64_t run = above - 1;
    while (run > 0 && block[run - 1].start == block[above - 1].start) --run;
    // In section order, as a search through the section would meet them.
    for (std::uint64_t i = run; i < above && *count < capacity; ++i) {
        const std::uint64_t fde = image->eh_frame_hdr_address + static_cast<std::uint64_t>(std::int64_t{block[i].fde});
        std::uint32_t at = (*count)++;
        for (; at > 0 && fdes[at - 1] > fde; --at) fdes[at] = fdes[at - 1];
        fdes[at] = fde;
    }
    return ZZCRASH_ESUCCESS;
}
