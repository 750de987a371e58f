#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_memory_window.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Async/zzcrash_error.h"

enum zzcrash_async_compact_entry_type : int {
    ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR = 1,           // saved registers at a fixed offset from the frame pointer
    ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD = 2,      // no frame pointer, the stack size in the encoding
    ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_INDIRECT = 3,  // no frame pointer, the stack size in the function's code
    ZZCRASH_ASYNC_CUNWIND_TYPE_DWARF = 4,               // described by the DWARF call-frame information
    ZZCRASH_ASYNC_CUNWIND_TYPE_NONE = 5,                // no unwind information
};

// An empty slot, or the return address kept on the stack.
inline constexpr std::uint32_t ZZCRASH_ASYNC_CUNWIND_NO_REGISTER = 0x7FFFFFFF;
inline constexpr std::uint32_t ZZCRASH_ASYNC_CUNWIND_MAX_REGISTERS = 10;

// One decoded compact-unwind encoding.
struct zzcrash_async_compact_unwind_entry {
    zzcrash_async_compact_entry_type type;
    int cputype;
    // Frame pointer: the saved registers' offset from it; immediate: the
    // stack size in bytes; indirect: where the stack-size immediate is in
    // the function; DWARF: the FDE's offset in its section.
    std::int64_t offset;
    std::uint32_t stack_adjust;             // indirect only: bytes added to the immediate
    std::uint32_t return_address_register;  // ZZCRASH_ASYNC_CUNWIND_NO_REGISTER: on the stack
    std::uint32_t saved_register_count;
    std::uint32_t saved_registers[ZZCRASH_ASYNC_CUNWIND_MAX_REGISTERS];  // thread-state indices, in stack order
};

// Decodes an encoding of a CPU type (i386, x86-64 or ARM64); error 4 for an
// unknown mode or CPU type, 5 for a register field that names no register.
// ARM64 registers keep their own numbers: those entries are decoded, and
// refused by zzcrash_async_compact_unwind_entry_apply.
zzcrash_error_t zzcrash_async_compact_unwind_entry_init(zzcrash_async_compact_unwind_entry* entry, int cputype,
                                                        std::uint32_t encoding);
zzcrash_async_compact_entry_type zzcrash_async_compact_unwind_entry_type(
    const zzcrash_async_compact_unwind_entry* entry);
std::int64_t zzcrash_async_compact_unwind_entry_offset(const zzcrash_async_compact_unwind_entry* entry);
std::uint32_t zzcrash_async_compact_unwind_entry_stack_adjust(const zzcrash_async_compact_unwind_entry* entry);
std::uint32_t zzcrash_async_compact_unwind_entry_return_address_register(
    const zzcrash_async_compact_unwind_entry* entry);
std::uint32_t zzcrash_async_compact_unwind_entry_saved_register_count(const zzcrash_async_compact_unwind_entry* entry);
void zzcrash_async_compact_unwind_entry_saved_registers(const zzcrash_async_compact_unwind_entry* entry,
                                                        std::uint32_t registers[ZZCRASH_ASYNC_CUNWIND_MAX_REGISTERS]);
void zzcrash_async_compact_unwind_entry_free(zzcrash_async_compact_unwind_entry* entry);

// The caller's registers: the callee-saved registers of `current`, then the
// stack pointer, pc, frame pointer and saved registers the entry describes,
// read through `memory`. Error 8 when a register it needs has no value, 5
// when the frame pointer is too close to the top of the address space, 4 for
// the DWARF and no-information types and for an entry of another CPU type
// than the state's; memory reads answer their copy's code.
// Async-signal-safe.
zzcrash_error_t zzcrash_async_compact_unwind_entry_apply(zzcrash_async_memory_window* memory,
                                                         std::uint64_t function_address,
                                                         const zzcrash_async_thread_state* current,
                                                         const zzcrash_async_compact_unwind_entry* entry,
                                                         zzcrash_async_thread_state* next);

// The compact-unwind numbering of an ordered choice of 1 to 6 registers out
// of the numbers 1-6 (0 for any other count), and back (error 5 for a count
// above 6 or a number that names no choice).
std::uint32_t zzcrash_async_compact_unwind_encode_register_permutation(const std::uint32_t* registers,
                                                                       std::uint32_t count);
zzcrash_error_t zzcrash_async_compact_unwind_decode_register_permutation(std::uint32_t permutation, std::uint32_t count,
                                                                         std::uint32_t* registers);
