#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Writer/Private/zzcrash_log_encoder.h"
#include "CrashReporter/Writer/ZZCrashLogWriter.h"

// The sections of a crash log, each written by one function through an
// encoder (which may only count) and answering the bytes it took. Field
// numbers and orders are those of ZZCrashReport.proto. Async-signal-safe.

// What every section writer may read.
struct zzcrash_log_sources {
    zzcrash_log_writer* writer;
    zzcrash_async_image_list* images;
};

std::size_t zzcrash_log_write_report_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer);
std::size_t zzcrash_log_write_system_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer,
                                          std::int64_t timestamp);
std::size_t zzcrash_log_write_machine_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer);
std::size_t zzcrash_log_write_application_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer);
std::size_t zzcrash_log_write_process_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer);
// A CPU type and subtype, in the Mach-O numbering.
std::size_t zzcrash_log_write_processor(zzcrash_log_encoder& out, std::uint64_t type, std::uint64_t subtype);
// One stack frame: its pc and, when the writer's strategy asks and finds
// one, the symbol holding it. A return address is looked up one byte back,
// inside its call: a call that ends its function (to abort, say) returns to
// the first byte of the next function.
std::size_t zzcrash_log_write_frame(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, std::uint64_t pc,
                                    bool return_address);
// Walks up to 512 frames of a thread from `state`, or from the stopped
// thread's own registers when `state` is null, and names them by the
// writer's strategy, into `stack`.
void zzcrash_log_record_stack(const zzcrash_log_sources& sources, zzcrash_thread_t thread,
                              const zzcrash_async_thread_state* state, zzcrash_log_stack* stack);
// One thread: its number, whether it crashed, the crashed thread's registers
// and the frames of its recorded stack.
std::size_t zzcrash_log_write_thread(zzcrash_log_encoder& out, const zzcrash_log_sources& sources, std::uint32_t number,
                                     bool crashed, const zzcrash_log_stack& stack);
// The bytes a thread's field takes, key and length included.
std::size_t zzcrash_log_thread_size(const zzcrash_log_sources& sources, std::uint32_t number, bool crashed,
                                    const zzcrash_log_stack& stack);
// Drops the outermost frames of `stack` until its thread's field takes at
// most `room` bytes (or no frame is left), and answers what it then takes.
std::size_t zzcrash_log_trim_stack(const zzcrash_log_sources& sources, std::uint32_t number, bool crashed,
                                   zzcrash_log_stack* stack, std::size_t room);
std::size_t zzcrash_log_write_image(zzcrash_log_encoder& out, const zzcrash_async_image_list* images,
                                    const zzcrash_async_image* image);
// The recorded exception, with up to 512 of its return addresses as frames.
std::size_t zzcrash_log_write_exception(zzcrash_log_encoder& out, const zzcrash_log_sources& sources);
// The signal, named (a number without a name as "#" and the number), and the
// library's crash message when there is a non-empty one.
std::size_t zzcrash_log_write_signal(zzcrash_log_encoder& out, const zzcrash_log_signal_info* signal,
                                     const char* crash_info_message);
