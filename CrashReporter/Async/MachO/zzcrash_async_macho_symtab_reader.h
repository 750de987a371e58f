#pragma once
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

// A segment of an image mapped for one lookup, with where its bytes are in
// the file (the symbol table's offsets are file offsets).
struct zzcrash_async_macho_segment {
    zzcrash_async_mobject mobj;
    std::uint64_t fileoff;
    std::uint64_t filesize;
};

// Maps [vmaddr + slide, + vmsize), or its readable prefix, at most the
// reader's mapping limit. Error 8 when the
// image has no such segment, else the mapping's error. Async-signal-safe.
zzcrash_error_t zzcrash_async_macho_map_segment(const zzcrash_async_macho_image* image, const char* segmentName,
                                                zzcrash_async_macho_segment* segment);
void zzcrash_async_macho_segment_free(zzcrash_async_macho_segment* segment);

// One symbol-table entry, decoded.
struct zzcrash_async_macho_symtab_entry {
    std::uint32_t n_strx;
    std::uint8_t n_type;
    std::uint8_t n_sect;
    std::uint16_t n_desc;
    std::uint64_t n_value;
    // The value with bit 0 set for a Thumb definition (description flag 0x0008).
    std::uint64_t normalized_value;
};

// An image's symbol table, opened for one lookup: local pointers into a
// mapping of the image's __LINKEDIT segment. With LC_DYSYMTAB the table also
// has its run of externally defined symbols and its run of local ones.
struct zzcrash_async_macho_symtab_reader {
    const zzcrash_async_macho_image* image;
    zzcrash_async_macho_segment linkedit;
    const void* symtab;
    std::uint32_t nsyms;
    const void* symtab_global;  // null without LC_DYSYMTAB
    std::uint32_t nsyms_global;
    const void* symtab_local;  // null without LC_DYSYMTAB
    std::uint32_t nsyms_local;
    const char* string_table;
    std::uint32_t string_table_size;
};

// Called with the found symbol's address (slid, Thumb bit applied) and name;
// the name lives only during the call.
using zzcrash_async_macho_found_symbol_cb = void (*)(std::uint64_t address, const char* name, void* context);

// All async-signal-safe; nothing allocates.

// Error 8 without LC_SYMTAB, 6 when __LINKEDIT cannot be mapped or does not
// hold the tables, 5 when a command or a run does not fit the table.
zzcrash_error_t zzcrash_async_macho_symbol_table_open(zzcrash_async_macho_symtab_reader* reader,
                                                      const zzcrash_async_macho_image* image);
void zzcrash_async_macho_symtab_close(zzcrash_async_macho_symtab_reader* reader);
// Entry `index` of `table` (the whole table or one of its runs); the index
// must be below that table's count.
zzcrash_async_macho_symtab_entry zzcrash_async_macho_symtab_reader_entry(
    const zzcrash_async_macho_symtab_reader* reader, const void* table, std::uint32_t index);
// The name at `index` of the string table when it ends inside the table; null otherwise.
const char* zzcrash_async_macho_symtab_string(const zzcrash_async_macho_symtab_reader* reader, std::uint32_t index);

// The section-defined symbol with the largest value at or below the pc (the
// first of equal ones; the externally defined run is searched before the local
// one). Error 8 when there is none, 5 when its name is not in the table.
zzcrash_error_t zzcrash_async_macho_symbol_at_pc(const zzcrash_async_macho_image* image, std::uint64_t pc,
                                                 zzcrash_async_macho_found_symbol_cb callback, void* context);
// The address of the first section-defined symbol named `name`; error 8 when none.
zzcrash_error_t zzcrash_async_macho_symbol_by_name(const zzcrash_async_macho_image* image, const char* name,
                                                   std::uint64_t* address);
