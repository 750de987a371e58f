#pragma once
#include <cstdint>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"

// The functions a program does not export: those of its file's symbol table
// (.symtab), which the loader does not map. They are listed from the image's
// file when the image is listed; their names stay in the file and are read
// from it, when a crash needs one, with open and pread alone.

// Marks a sorted symbol's name as an offset in the file's string table
// rather than in the dynamic one.
inline constexpr std::uint32_t ZZCRASH_ELF_FILE_NAME = 0x80000000u;

// Not for the crash path (it allocates): appends the defined functions of the
// image's file symbol table to `*symbols` (`*count` of them so far, grown with
// realloc), their names marked ZZCRASH_ELF_FILE_NAME, and records in the image
// where those names lie. Nothing is added when the file cannot be read, has
// no symbol table, or is not the image that is loaded (another build id).
void zzcrash_async_elf_add_file_functions(zzcrash_async_elf_image* image, zzcrash_async_elf_symbol** symbols,
                                          std::uint64_t* count);

// Async-signal-safe, allocates nothing: the function of the image's file
// symbol table whose bytes hold `pc`, for an image none were listed for (one
// first seen in a crash, a library opened after the enable), found by reading
// the file's section headers and symbol table with open and pread alone: its
// address in `*start` and up to `capacity` bytes of its name in `name` (which
// holds capacity + 1). Error 8 when none holds it, or the file cannot be read
// as the loaded image's (another build id, no symbol table), 6 when a read
// fails on the way.
zzcrash_error_t zzcrash_async_elf_file_function_at(const zzcrash_async_elf_image* image, std::uint64_t pc,
                                                   std::uint64_t* start, char* name, std::uint64_t capacity);

// Async-signal-safe, allocates nothing: copies up to `capacity` bytes of the
// name at `offset` of the file's string table into `name` and NUL-terminates
// it (`name` holds capacity + 1 bytes). Error 8 when the image's file has no
// names recorded or is no longer the file they were listed from, 6 when it
// cannot be read.
zzcrash_error_t zzcrash_async_elf_file_name(const zzcrash_async_elf_image* image, std::uint32_t offset, char* name,
                                            std::uint64_t capacity);
