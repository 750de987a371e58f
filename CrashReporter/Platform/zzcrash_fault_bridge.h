#pragma once
#include <signal.h>

#include <cstdint>

#include "CrashReporter/Platform/zzcrash_thread_list.h"

// Turns real faults into exception messages. The handlers of SIGSEGV, SIGBUS,
// SIGILL, SIGFPE and SIGTRAP act only on faults the kernel raised (a code
// above 0): such a fault is sent as an exception to the port registered for
// its type (the thread's own, else the process's, zzcrash_exception_ports.h),
// with the faulting registers kept for a thread-state read, and the thread
// waits for the answer. An answer of success lets it go on; anything else,
// and every signal that was sent rather than raised, goes to the handler
// that was installed before, or ends the process by its default action.

// How long a faulting thread waits for its answer before it gives up on it.
inline constexpr std::int64_t ZZCRASH_FAULT_REPLY_TIMEOUT_MS = 10'000;

// Installs the handlers, once per process, on the alternate signal stack.
// False (errno set) when one cannot be installed. Not for the crash path.
[[nodiscard]] bool zzcrash_fault_bridge_install();

// Called on a faulting thread that goes on after all: its exception was
// answered with failure, and the handler installed before the bridge's
// returned, having mended the fault (a guard page made accessible, memory
// mapped on demand). The thread is the one the exception named.
// Async-signal-safe, like the function given.
using zzcrash_fault_resumed_callback = void (*)(zzcrash_thread_t thread);
void zzcrash_fault_bridge_on_resumed(zzcrash_fault_resumed_callback callback);

// Whether a fault of `signal` that the exception's answer does not take
// goes on to a handler the program installed before the bridge (which may
// mend it) rather than to the default action. Async-signal-safe.
bool zzcrash_fault_bridge_passes_on(int signal);

// The exception a kernel-raised fault is sent as: its type and two codes (the
// kind of fault, the faulting address); false for any other signal.
// Async-signal-safe.
bool zzcrash_fault_bridge_exception_of(const siginfo_t* info, std::int32_t* type, std::int64_t codes[2]);
