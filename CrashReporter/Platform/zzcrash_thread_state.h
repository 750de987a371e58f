#pragma once
#include <ucontext.h>

#include <cstdint>

#include "CrashReporter/Platform/zzcrash_kern_return.h"
#include "CrashReporter/Platform/zzcrash_mach_exception_port_set.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"

// A thread's registers as a register set of a given flavour, in 32-bit
// words, the form an exception message carries them in: read from, and
// written back to, a thread that waits in its fault handler for an
// exception's answer. Async-signal-safe.

// Register-set flavours: the x86-64 sets bare, and with a header of
// {flavour, count} in front (the thread state's is ZZCRASH_X86_THREAD_STATE).
inline constexpr std::uint32_t ZZCRASH_X86_THREAD_STATE64 = 4;
inline constexpr std::uint32_t ZZCRASH_X86_EXCEPTION_STATE64 = 6;
inline constexpr std::uint32_t ZZCRASH_X86_EXCEPTION_STATE = 9;
// The most words any flavour takes.
inline constexpr std::uint32_t ZZCRASH_THREAD_STATE_MAX = 1296;

struct zzcrash_x86_thread_state64 {
    std::uint64_t rax, rbx, rcx, rdx, rdi, rsi, rbp, rsp, r8, r9, r10, r11, r12, r13, r14, r15, rip, rflags, cs, fs, gs;
};
struct zzcrash_x86_exception_state64 {
    std::uint16_t trapno, cpu;
    std::uint32_t err;
    std::uint64_t faultvaddr;
};

// The registers of a signal's machine context.
zzcrash_x86_thread_state64 zzcrash_x86_thread_state64_of(const mcontext_t* context);
zzcrash_x86_exception_state64 zzcrash_x86_exception_state64_of(const mcontext_t* context);

// Where a thread's registers are read: a thread waiting in its fault handler
// for the exception's answer where it faulted (not where it waits), a
// stopped one (zzcrash_threads_stop) where it stopped; null for any other.
const mcontext_t* zzcrash_thread_context_of(zzcrash_thread_t thread);

// The thread's registers as `flavor` lays them out, into `words` of
// `*count` words; `*count` becomes the words written. The thread's registers
// are read as above. KERN_INVALID_ARGUMENT for another flavour or too few words, KERN_FAILURE
// for a thread whose registers are not to be had.
zzcrash_kern_return_t zzcrash_thread_get_state(zzcrash_thread_t thread, std::uint32_t flavor, std::uint32_t* words,
                                               std::uint32_t* count);
// Gives the thread, which must be waiting for the answer to its fault, the
// general registers, instruction pointer and flags of a thread-state flavour
// (4 or 7); it goes on with them once answered. Its segment selectors stay
// as they are: the kernel would not resume it with others. An exception
// state (6 or 9) describes the fault, which is not the thread's to go on
// with: it changes nothing. Errors as above.
zzcrash_kern_return_t zzcrash_thread_set_state(zzcrash_thread_t thread, std::uint32_t flavor,
                                               const std::uint32_t* words, std::uint32_t count);
