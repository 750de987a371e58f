// The crash-time half of the ELF image record: it reads only what init found,
// through snapshots, and allocates nothing.
#include <elf.h>

#include "CrashReporter/Async/zzcrash_async_elf_image.h"

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

}  // namespace

zzcrash_error_t zzcrash_async_elf_symbol_at_pc(const zzcrash_async_elf_image* image, std::uint64_t pc,
                                               zzcrash_async_macho_found_symbol_cb callback, void* context) {
    Tables tables;
    zzcrash_error_t error = mapTables(image, &tables);
    if (error != ZZCRASH_ESUCCESS) return error;
    const auto* symbols = static_cast<const Elf64_Sym*>(zzcrash_async_mobject_local_pointer(
        &tables.symbols, image->dynsym_address, 0, image->dynsym_count * sizeof(Elf64_Sym)));
    const Elf64_Sym* best = nullptr;
    for (std::uint64_t i = 0; i < image->dynsym_count; ++i) {
        if (holds(symbols[i], image->bias, pc) && (!best || symbols[i].st_value > best->st_value)) best = &symbols[i];
    }
    const char* name = best ? nameAt(tables, best->st_name) : nullptr;
    error = !best ? ZZCRASH_ENOTFOUND : !name ? ZZCRASH_EINVAL : ZZCRASH_ESUCCESS;
    if (error == ZZCRASH_ESUCCESS) callback(best->st_value + image->bias, name, context);
    unmapTables(&tables);
    return error;
}

zzcrash_error_t zzcrash_async_elf_map_eh_frame(const zzcrash_async_elf_image* image, zzcrash_async_mobject* section) {
    if (image->eh_frame_address == 0) return ZZCRASH_ENOTFOUND;
    return zzcrash_async_mobject_init(section, image->task, image->eh_frame_address, image->eh_frame_size, true);
}
