#pragma once
#include <ucontext.h>

#include <cstdint>

#include "CrashReporter/Platform/zzcrash_thread_list.h"

// Stops the other threads of this process where they stand while a crash is
// recorded, and keeps the registers each had when it stopped. A thread is
// stopped by a reserved real-time signal sent with tgkill: its handler saves
// the interrupted registers in a static slot, says so, and waits on a futex
// until it is released. A thread that blocks the signal or never gets to run
// does not answer within the deadline; it is then known by its id only.

// How long a stop waits for the threads to answer: a stop gives up on the
// ones that have not once this long has passed both since it began and
// since the last thread answered (threads that answer one after another on
// a busy machine are all waited for), and in any case at ten times this.
inline constexpr std::int64_t ZZCRASH_THREAD_STOP_TIMEOUT_MS = 200;

// Installs the handler of the stop signal on a real-time signal the program
// has no handler for (zzcrash_reserved_signal.h); true when it is installed
// (also when it already was), false when no such signal is left. Not for the
// crash path: it runs when the reporter is enabled.
bool zzcrash_thread_stopper_install();

// The signal that stops a thread, 0 before the stopper is installed.
int zzcrash_thread_stop_signal();

// Stops every listed thread except `except` and waits until each has stopped
// or the stop gives up on it (`timeoutMs` as above ZZCRASH_THREAD_STOP_TIMEOUT_MS).
// Answers how many stopped, or -1 when nothing was done (the stopper is not installed, the program has since put a
// handler of its own on the stop signal, or another thread is stopping the process right now); after any other answer
// zzcrash_threads_resume must follow. Async-signal-safe.
int zzcrash_threads_stop(const zzcrash_thread_list* threads, zzcrash_thread_t except, std::int64_t timeoutMs);

// The same stop in two halves, so that the caller can do work of its own
// (walk its own stack) while the other threads are scheduled and come to a
// stop. The request sends the signals and answers how many threads were
// asked, or -1 as above; the wait, until the stop gives up on the threads
// that have not answered, answers how many stopped. After a request that did not answer -1,
// zzcrash_threads_resume must follow (with or without the wait).
// Async-signal-safe.
int zzcrash_threads_request_stop(const zzcrash_thread_list* threads, zzcrash_thread_t except, std::int64_t timeoutMs);
int zzcrash_threads_await_stop();
// The wait for one of the threads asked: true once it has stopped, false
// when it was not asked or has not answered before the stop gave up on it. A writer
// that waits for each thread just before it walks that thread's stack walks
// the threads that answered first while the others are still on their way.
// Async-signal-safe.
bool zzcrash_thread_await_stopped(zzcrash_thread_t thread);

// The registers of `thread` as it stopped, or null when it is not stopped.
// Valid until zzcrash_threads_resume. Async-signal-safe.
const mcontext_t* zzcrash_thread_stopped_context(zzcrash_thread_t thread);

// Lets one stopped thread go on while the others stay stopped (a crashed
// thread that is to end the process by its signal: none of the others may
// run on to end it first); the stop stays held until zzcrash_threads_resume.
// Async-signal-safe.
void zzcrash_threads_resume_one(zzcrash_thread_t thread);

// Lets every stopped thread go on, without waiting for them to leave their
// handlers: the next stop waits (boundedly) for that, so that it starts
// clean. Async-signal-safe.
void zzcrash_threads_resume();
