#pragma once
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_symtab_reader.h"
#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"

// One function of an image, as the sorted symbol table keeps it: offsets
// from the image's bias, which fit 32 bits in any image this size.
struct zzcrash_async_elf_symbol {
    std::uint32_t start;  // st_value
    std::uint32_t size;   // st_size; 0: it holds its start alone
    std::uint32_t name;   // offset in the dynamic string table, or marked as one in the file's
    std::uint32_t reach;  // the highest end of this function and every one sorted before it
};

// One entry of .eh_frame_hdr's search table as stored: offsets from the header.
struct zzcrash_async_elf_fde_table_entry {
    std::int32_t start;  // the function's first byte
    std::int32_t fde;    // its frame description
};

// An ELF image loaded in this process, as the crash path needs it: read once
// from the image's own headers in memory when it is added to the image list,
// only read afterwards (at crash time too).
struct zzcrash_async_elf_image {
    zzcrash_async_image image;  // header address; text size: header to the end of the last executable segment
    zzcrash_task_t task;
    char* name;          // a private copy of the image's path
    std::uint64_t bias;  // header address - the first segment's vaddr
    std::uint64_t size;  // header to the end of the last loaded segment
    bool has_uuid;
    std::uint8_t uuid[16];           // the first 16 bytes of the GNU build id, zero-padded
    std::uint64_t eh_frame_address;  // 0 when the image has no .eh_frame
    std::uint64_t eh_frame_size;     // up to and with its zero terminator
    // .eh_frame_hdr's search table, {function start, its FDE} as 4-byte
    // offsets from the header, sorted by start; count 0 when there is none.
    std::uint64_t eh_frame_hdr_address;
    std::uint64_t fde_table_address;
    std::uint64_t fde_table_count;
    // The start of every ZZCRASH_ELF_FDE_SAMPLE_STRIDE-th table entry, copied
    // when the image is listed, so that a crash finds the block of the table
    // that holds a pc without reading the table; null for an image first seen
    // in a crash.
    std::int32_t* fde_samples;
    std::uint64_t fde_sample_count;
    std::uint64_t dynsym_address;  // 0 when the image has no dynamic symbols
    std::uint64_t dynsym_count;
    std::uint64_t dynstr_address;
    std::uint64_t dynstr_size;
    // The defined functions of the dynamic symbol table sorted by start (in
    // table order among equal starts), made when the image is listed, so that
    // a crash names a pc by a binary search instead of reading the whole
    // table; null for an image first seen in a crash, which is named the slow way.
    zzcrash_async_elf_symbol* sorted_symbols;
    std::uint64_t sorted_symbol_count;
    // Where the names of the functions listed from the image's file symbol
    // table lie in that file, and which file it was (zzcrash_async_elf_image_file.h);
    // size 0 when none were listed.
    std::uint64_t file_strtab_offset;
    std::uint64_t file_strtab_size;
    std::uint64_t file_device;
    std::uint64_t file_inode;
};

inline constexpr std::uint64_t ZZCRASH_ELF_FDE_SAMPLE_STRIDE = 128;

// What the image list needs to keep the ELF images of this process.
extern const zzcrash_async_image_format zzcrash_async_elf_image_format;

// Not for the crash path (it copies the name and maps memory freely): reads
// the ELF header, program headers, dynamic section, build-id note and unwind
// table header at `headerAddress`. Error 5 when it is not a 64-bit
// little-endian x86-64 image with a segment at file offset 0, 6 when its
// headers cannot be read.
zzcrash_error_t zzcrash_async_elf_image_init(zzcrash_async_elf_image* image, zzcrash_task_t task, const char* name,
                                             std::uint64_t headerAddress);
void zzcrash_async_elf_image_free(zzcrash_async_elf_image* image);

// Async-signal-safe, allocates nothing.

// zzcrash_async_elf_image_init without the name, which stays null: for an
// image first seen inside a crash, into a record the caller provides.
zzcrash_error_t zzcrash_async_elf_image_read(zzcrash_async_elf_image* image, zzcrash_task_t task,
                                             std::uint64_t headerAddress);

// The function whose bytes hold the pc (its value and size, or a
// function of unknown size exactly at the pc), the first of equal ones; called
// back with its address and name (cut after 1024 bytes where the sorted
// table is used). The sorted table made when the image was listed holds the
// functions of the file's symbol table too; without it the exported ones are
// searched in memory and the others in the file (open and pread). Error 8 when none holds it, 5 when its name
// lies outside the string table, or the error of mapping the tables.
zzcrash_error_t zzcrash_async_elf_symbol_at_pc(const zzcrash_async_elf_image* image, std::uint64_t pc,
                                               zzcrash_async_macho_found_symbol_cb callback, void* context);
// The same, with the sorted table's names copied through `pages` (null: a
// checked copy of each name).
zzcrash_error_t zzcrash_async_elf_symbol_at_pc_through(const zzcrash_async_elf_image* image,
                                                       zzcrash_async_page_cache* pages, std::uint64_t pc,
                                                       zzcrash_async_macho_found_symbol_cb callback, void* context);
// The FDEs .eh_frame_hdr's table lists for the function holding `pc`: those
// of the entries with the highest start at or below it (linkers list one; a
// function whose FDE was duplicated has more), at most `capacity`, in section
// order. One checked read of one block of the table, through `pages` when
// given (null: a checked copy of its own). Error 8 when the image has no
// table or no entry starts at or below the pc, else the read's error.
zzcrash_error_t zzcrash_async_elf_fde_candidates(const zzcrash_async_elf_image* image, zzcrash_async_page_cache* pages,
                                                 std::uint64_t pc, std::uint64_t* fdes, std::uint32_t capacity,
                                                 std::uint32_t* count);
// Maps the image's .eh_frame; error 8 when it has none.
zzcrash_error_t zzcrash_async_elf_map_eh_frame(const zzcrash_async_elf_image* image, zzcrash_async_mobject* section);
