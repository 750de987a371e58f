#pragma once
#include <cstdint>

#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cfa_rule.h"
#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_memory_window.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// One row of the unwind table: the rules in force at one pc, with what the
// CIE adds to them, compact enough to keep for later steps at the same pc.
template <typename machine_ptr, typename machine_ptr_s>
struct dwarf_cfa_row {
    // More than every register a thread state knows, plus the return address.
    static constexpr std::uint8_t max_rules = 24;
    struct register_rule {
        std::uint32_t regnum;
        zzcrash_dwarf_cfa_reg_rule_t rule;
        machine_ptr value;
    };

    dwarf_cfa_rule<machine_ptr, machine_ptr_s> cfa;
    std::uint8_t count;
    register_rule rules[max_rules];
    std::uint64_t return_address_register;
    bool signal_frame;  // the caller was interrupted: its pc is not a return address

    // Whether applying the row evaluates a DWARF expression, which lies in
    // the section the row was read from.
    bool uses_expressions() const;
};

// The caller's registers from `current` by the row's rules:
// 1. A copy of `current` without the registers a callee may change.
// 2. The CFA: register + offset (error 4 for a register without a thread
//    register, 8 when it has no value) or an expression; it is the caller's
//    stack pointer. An undefined CFA is error 5.
// 3. Each register rule sets the register the DWARF number maps to; a number
//    without one is taken only as the return-address column, which sets the
//    pc (else error 5). offset(N) reads a register-width word at CFA + N,
//    val_offset(N) is CFA + N, register(R) and same value take a register of
//    `current` (error 5 when R has no thread register, 8 when it has no
//    value), expressions are evaluated with the CFA pushed, undefined leaves
//    the register without a value.
// 4. A return address with no value (undefined) means this is the outermost
//    frame: error 8. No pc at all takes the return-address register of
//    `current`, which must have one and be another than the pc (else error 5).
// Memory reads answer their copy's code. Expression blocks are read from
// `section` when they lie in it, else copied from the task.
template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t dwarf_cfa_row_apply(const dwarf_cfa_row<machine_ptr, machine_ptr_s>* row,
                                    zzcrash_async_memory_window* memory, const zzcrash_async_thread_state* current,
                                    const zzcrash_async_byteorder* byteorder, const zzcrash_async_mobject* section,
                                    zzcrash_async_thread_state* next);

extern template struct dwarf_cfa_row<std::uint32_t, std::int32_t>;
extern template struct dwarf_cfa_row<std::uint64_t, std::int64_t>;
extern template zzcrash_error_t dwarf_cfa_row_apply<std::uint32_t, std::int32_t>(
    const dwarf_cfa_row<std::uint32_t, std::int32_t>*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, const zzcrash_async_mobject*, zzcrash_async_thread_state*);
extern template zzcrash_error_t dwarf_cfa_row_apply<std::uint64_t, std::int64_t>(
    const dwarf_cfa_row<std::uint64_t, std::int64_t>*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, const zzcrash_async_mobject*, zzcrash_async_thread_state*);

}  // namespace zzcrash::ZZ::async
