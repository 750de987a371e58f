#pragma once
#include <signal.h>

#include <cstddef>

// Alternate signal stacks for the threads of the process, so that a thread
// whose stack overflows still runs the crash handlers (a fault on a thread
// without one kills the process before any handler runs) and the handlers
// have room for the crash log writer wherever the thread stood. A thread
// keeps an alternate stack it already has when it is at least as big.
//
// Threads that run when the reporter is enabled are each sent a real-time
// signal the program has no handler for (zzcrash_reserved_signal.h), whose
// handler installs a stack mapped for it beforehand: sigaltstack acts only on
// the calling thread, and this is the one way to have another thread call it.
// Threads started later ask for theirs: they call
// zzcrash_thread_install_alternate_stack first thing, or are started by
// zzcrash_thread_create (zzcrash_thread_start.h), which does so for them. The
// reporter replaces no thread start of the C library's, so a program that
// asks for nothing starts its threads as it would without the reporter.

// Bytes of each thread's alternate stack; a PROT_NONE guard page lies below it.
inline constexpr std::size_t ZZCRASH_THREAD_STACK_BYTES = 64 * 1024;

// Gives the calling thread an alternate stack of its own, given back when the
// thread ends, unless it has one at least as big. True when it has one now;
// false, with errno, when a stack could not be mapped or installed. Not for
// the crash path.
[[nodiscard]] bool zzcrash_thread_install_alternate_stack();

// Gives the calling thread and every thread running now an alternate stack,
// waiting at most about 200 ms in all for the others to take theirs; a
// thread that does not answer in time (it blocks the signal) stays without
// one. False when it could not ask the others: every real-time signal has a
// handler of the program's. Once per process; not for the crash path.
[[nodiscard]] bool zzcrash_thread_stacks_install();
