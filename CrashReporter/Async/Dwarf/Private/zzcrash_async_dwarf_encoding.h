#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_memory_window.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

// The variable-length and sized integers of DWARF call-frame information, read
// at address + offset. A byte outside the memory object is error 5; a LEB128
// longer than 10 bytes error 4. `size` receives the bytes read. All
// async-signal-safe.

zzcrash_error_t zzcrash_async_dwarf_read_uleb128(const zzcrash_async_mobject* mobj, std::uint64_t address,
                                                 std::uint64_t offset, std::uint64_t* result, std::uint64_t* size);
zzcrash_error_t zzcrash_async_dwarf_read_sleb128(const zzcrash_async_mobject* mobj, std::uint64_t address,
                                                 std::uint64_t offset, std::int64_t* result, std::uint64_t* size);

// The same from the task's memory, where nothing bounds the value but what
// can be read: an unreadable byte answers its copy's code, a sum that
// overflows error 5.
zzcrash_error_t zzcrash_async_dwarf_read_task_uleb128(zzcrash_async_memory_window* memory, std::uint64_t address,
                                                      std::uint64_t offset, std::uint64_t* result, std::uint64_t* size);
zzcrash_error_t zzcrash_async_dwarf_read_task_sleb128(zzcrash_async_memory_window* memory, std::uint64_t address,
                                                      std::uint64_t offset, std::int64_t* result, std::uint64_t* size);

// An unsigned value of 1, 2, 4 or 8 bytes through the byte order; any other
// size, or a range outside the object, is error 5.
zzcrash_error_t zzcrash_async_dwarf_read_sized(const zzcrash_async_mobject* mobj,
                                               const zzcrash_async_byteorder* byteorder, std::uint64_t address,
                                               std::uint64_t offset, std::uint64_t size, std::uint64_t* result);
