#pragma once
#include <signal.h>
#include <ucontext.h>

#include "CrashReporter/Platform/zzcrash_thread_list.h"

// The registers of threads that are waiting, inside their fault handler, for
// an exception handler's answer: what a thread-state read of such a thread
// must give is where it faulted, not where it waits, and a handler that
// answers with new registers changes where it goes on. With them the signal
// the kernel delivered: the exception it was sent as names its kind only
// coarsely (a write to a read-only page and a bus error are both a bad
// access). Async-signal-safe.

// A slot for every thread a report can list: a faulting thread whose
// registers are kept here is read from them whether or not it answers the
// stop of the threads in time, which on a busy machine a hundred threads
// faulting at once do not all do.
inline constexpr std::uint32_t ZZCRASH_FAULT_CONTEXT_CAPACITY = ZZCRASH_THREAD_LIST_CAPACITY;

// Keeps the context and the signal (which stay valid until cleared; a null
// signal: not known) for the thread; false when every slot is taken.
[[nodiscard]] bool zzcrash_fault_context_save(zzcrash_thread_t thread, mcontext_t* context, const siginfo_t* signal);
void zzcrash_fault_context_clear(zzcrash_thread_t thread);
// The thread's saved context, and signal; null when none.
mcontext_t* zzcrash_fault_context_of(zzcrash_thread_t thread);
const siginfo_t* zzcrash_fault_signal_of(zzcrash_thread_t thread);
