#pragma once
#include <climits>
#include <cstdint>

#include "CrashReporter/Platform/zzcrash_mach_exception_port_set.h"
#include "CrashReporter/Writer/ZZCrashLogWriter.h"

// What a crash handler writes the report from: one static record, filled
// when the reporter is enabled, so that the handler needs nothing else.
struct zzcrash_crash_context {
    zzcrash_log_writer writer;
    char report_path[PATH_MAX];       // NUL-terminated
    std::uint64_t report_byte_limit;  // 0: a crash report is never cut
    zzcrash_async_image_list* images;
    // Where exceptions went before the reporter's server took them; all
    // zeros when nothing was registered (or in the signal mode).
    zzcrash_mach_exception_port_set previous_ports;
};

// The process's crash context.
extern zzcrash_crash_context zzcrash_shared_crash_context;

// Writes the report of a crash to the context's report path (created with
// mode 0600, written over from its start, cut to the new report's length
// and synced once it is written, while the other threads are still stopped;
// never through a link, nor into anything but a regular file of that one
// name): `crashed_thread` is the one that crashed,
// `current_state` the calling thread's registers (null leaves the calling
// thread out). The report is written on a stack reserved for it, so that a
// handler left with little stack still writes it whole; when another write
// holds that stack, on the caller's, and only when that has the room (else
// the file is left as it was, and the answer is 6). Error 6 when the file
// cannot be opened, flushed, cut or closed, else the write's code.
// Async-signal-safe, allocates nothing.
[[nodiscard]] zzcrash_error_t zzcrash_write_report(zzcrash_crash_context* context, zzcrash_thread_t crashed_thread,
                                                   const zzcrash_async_thread_state* current_state,
                                                   const zzcrash_log_signal_info* signal_info);

// zzcrash_write_report from within zzcrash_async_thread_state_current: the
// context is a zzcrash_write_report_request.
struct zzcrash_write_report_request {
    zzcrash_crash_context* context;
    zzcrash_thread_t crashed_thread;
    const zzcrash_log_signal_info* signal_info;
};
zzcrash_error_t zzcrash_write_report_callback(zzcrash_async_thread_state* state, void* request);
