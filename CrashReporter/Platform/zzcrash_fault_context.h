#pragma once
#include <ucontext.h>

#include "CrashReporter/Platform/zzcrash_thread_list.h"

// The registers of threads that are waiting, inside their fault handler, for
// an exception handler's answer: what a thread-state read of such a thread
// must give is where it faulted, not where it waits, and a handler that
// answers with new registers changes where it goes on. Async-signal-safe.

inline constexpr std::uint32_t ZZCRASH_FAULT_CONTEXT_CAPACITY = 64;

// Keeps the context (which stays valid until cleared) for the thread; false
// when every slot is taken.
[[nodiscard]] bool zzcrash_fault_context_save(zzcrash_thread_t thread, mcontext_t* context);
void zzcrash_fault_context_clear(zzcrash_thread_t thread);
// The thread's saved context; null when none.
mcontext_t* zzcrash_fault_context_of(zzcrash_thread_t thread);
