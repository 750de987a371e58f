#pragma once
#include <signal.h>

#include "CrashReporter/Platform/zzcrash_kern_return.h"
#include "CrashReporter/Signals/Private/ZZCrashSignalHandler.h"
#include "CrashReporter/Writer/zzcrash_crash_context.h"
#include "CrashReporter/ZZCrashReporter.h"

// What the reporter installs to catch a crash and write its report.

// The application's callback after a report was written; null for none.
void zzcrash_crash_handlers_set_callbacks(const ZZCrashReporterCallbacks* callbacks);

// The crash callback of every crash signal; its context is the crash
// context. The first crashing thread writes the report; a thread that
// crashes meanwhile waits until it is written, and a fault in the writing
// thread itself goes straight to its default action. Always answers false,
// so that the signal's default action ends the process (with its core): the
// signal goes to no handler the program had before, and the threads
// stopped for the report stay stopped until the process ends.
// Async-signal-safe, allocates nothing.
bool zzcrash_signal_handler_callback(int signal, siginfo_t* info, ucontext_t* context, void* crash_context,
                                     const zzcrash_signal_handler_next* next);

// The exception server's callback; its context is the crash context. An
// exception that the handlers registered before take is theirs (their answer
// is the answer). Otherwise, when it stands for a signal, the report is
// written (the faulting thread crashed, the server's own thread described as
// it is) and the application's callback called; the answer is then failure,
// so that the fault goes on to end the process by its signal. The report
// names the signal the kernel delivered. When no handler of the program's
// is to get the fault, the other threads stay stopped until the process
// ends. Allocates nothing.
zzcrash_kern_return_t zzcrash_mach_exception_callback(pid_t task, zzcrash_thread_t thread, std::int32_t exception,
                                                      const std::int64_t* codes, std::uint32_t code_count,
                                                      void* crash_context);

// The faulting thread went on: the program's own fault handler mended what
// the exception server reported. When the report on disk is that fault's,
// it is deleted (no crash happened) and the next crash is written anew.
// Async-signal-safe, allocates nothing.
void zzcrash_withdraw_fault_report(zzcrash_thread_t thread);

// Has the report of a fault that a handler of the program's took withdrawn
// when the thread is seen to go on: when the handler returns, mending it,
// and when the process ends by its own exit (the handler jumped out of the
// fault). Any crash after such a fault is written over its report.
void zzcrash_install_fault_report_withdrawal();

// Records the exception that reaches std::terminate in the context's writer
// (the first only), then lets the handler that was there before end the
// process, whose SIGABRT writes the report.
void zzcrash_install_uncaught_exception_handler(zzcrash_crash_context* context);
