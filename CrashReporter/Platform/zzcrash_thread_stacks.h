#pragma once
#include <signal.h>

#include <cstddef>

// Gives every thread of the process an alternate signal stack of its own, so
// that a thread whose stack overflows still runs the crash handlers (a fault
// on a thread without one kills the process before any handler runs) and the
// handlers have room for the crash log writer wherever the thread stood.
//
// Threads that exist when this is installed are each sent a reserved
// real-time signal, whose handler installs a stack mapped for it beforehand:
// sigaltstack acts only on the calling thread, and this is the one way to
// have another thread call it. Threads started later install their own first
// thing: the reporter wraps pthread_create (zzcrash_thread_start.h) (every thread start, std::thread's
// and other libraries' included, goes through it), so a thread is covered
// from its first instruction, which no lazy scheme (at a thread's first use
// of the reporter) could promise for a thread that never uses the reporter.
// A thread keeps an alternate stack it already has when it is at least as big.

// Bytes of each thread's alternate stack; a PROT_NONE guard page lies below it.
inline constexpr std::size_t ZZCRASH_THREAD_STACK_BYTES = 64 * 1024;

// Covers the threads running now and every thread started from now on; true
// when each running thread answered within the deadline (about 200 ms in all).
// Once per process; not for the crash path.
bool zzcrash_thread_stacks_install();

// For a thread at its start: once the threads are covered, maps a stack and
// makes it the calling thread's; true when it did, with the stack in `given`
// for zzcrash_thread_stack_take_back when the thread ends.
bool zzcrash_thread_stack_give_own(stack_t* given);
void zzcrash_thread_stack_take_back(const stack_t* given);
