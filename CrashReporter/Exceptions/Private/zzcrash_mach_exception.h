#pragma once
#include <signal.h>
#include <sys/types.h>

#include <cstdint>

#include "CrashReporter/Platform/zzcrash_kern_return.h"
#include "CrashReporter/Platform/zzcrash_mach_exception_port_set.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"

// Passes an exception on to the first registration of `port_set` that takes
// its type and answers what that handler answers; KERN_FAILURE when none
// takes it, and for a handler that wants 64-bit codes: only the first match is
// tried. Codes go as 32 bits. A handler that takes the thread's state gets it
// in its flavour (a failure to read it is the answer), and the state its
// answer of success carries becomes the thread's (a failure to set it is then
// the answer). Async-signal-safe.
zzcrash_kern_return_t zzcrash_mach_exception_forward(pid_t task, zzcrash_thread_t thread, std::int32_t exception,
                                                     const std::int64_t* codes, std::uint32_t code_count,
                                                     const zzcrash_mach_exception_port_set* port_set);

// The signal an exception stands for, with its code and the faulting address
// (code 1); false for fewer than 2 codes and a type outside 1 to 6. An
// emulation exception is ZZCRASH_SIGEMT. Async-signal-safe.
bool zzcrash_async_mach_exception_to_signal(std::int32_t exception, const std::int64_t* codes, std::uint32_t code_count,
                                            siginfo_t* info);
