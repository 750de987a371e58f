#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_memory_window.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// The most values a DWARF expression may keep on its stack.
inline constexpr std::size_t dwarf_expression_stack_size = 100;
// The longest expression copied from a task to be evaluated.
inline constexpr std::uint64_t dwarf_expression_max_copied_bytes = 64 * 1024;
// The most operations one evaluation runs: branches may go backwards, and a
// corrupt expression must not keep a crash handler busy for ever.
inline constexpr std::size_t dwarf_expression_max_steps = 10000;

// Evaluates the DWARF expression [address + offset, + length) of `mobj` on a
// stack of machine words that starts with `initial` (count values, the last
// on top) and answers the top of the stack. Registers come from `state`,
// memory through `memory`. Arithmetic wraps at the word's width; DW_OP_div
// and the ordering comparisons take the values as signed. Error 6 for more
// than 100 stack values, 5 for a malformed expression (operands or branch
// targets outside it, too few values, a zero divisor, an empty stack at the
// end, too many steps), 4 for an unsupported opcode or a register without a
// thread register, 8 for a register without a value; memory reads answer
// their copy's code. Async-signal-safe, allocates nothing.
template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t zzcrash_async_dwarf_expression_eval(const zzcrash_async_mobject* mobj,
                                                    zzcrash_async_memory_window* memory,
                                                    const zzcrash_async_thread_state* state,
                                                    const zzcrash_async_byteorder* byteorder, machine_ptr address,
                                                    std::int64_t offset, std::uint64_t length,
                                                    const machine_ptr* initial, std::size_t count, machine_ptr* result);

extern template zzcrash_error_t zzcrash_async_dwarf_expression_eval<std::uint32_t, std::int32_t>(
    const zzcrash_async_mobject*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, std::uint32_t, std::int64_t, std::uint64_t, const std::uint32_t*, std::size_t,
    std::uint32_t*);
extern template zzcrash_error_t zzcrash_async_dwarf_expression_eval<std::uint64_t, std::int64_t>(
    const zzcrash_async_mobject*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, std::uint64_t, std::int64_t, std::uint64_t, const std::uint64_t*, std::size_t,
    std::uint64_t*);

}  // namespace zzcrash::ZZ::async
