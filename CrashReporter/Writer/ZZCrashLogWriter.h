#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/Frames/zzcrash_async_unwind_cache.h"
#include "CrashReporter/Async/zzcrash_async_file.h"
#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "CrashReporter/Async/zzcrash_async_symbolicate.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/Writer/zzcrash_log_signal_info.h"

// The crash log writer: everything that cannot be read safely in a crash is
// gathered into this record while the process is healthy, and at crash time
// zzcrash_log_writer_write streams the whole report from it and from the
// process's threads, images and memory into a buffered file, through its own
// encoder, without allocating or locking.

inline constexpr std::uint32_t ZZCRASH_LOG_MAX_FRAMES = 512;
// The CPU subtype of every x86-64 process and image here (CPU_SUBTYPE_X86_64_ALL).
inline constexpr std::uint32_t ZZCRASH_CPU_SUBTYPE_X86_64_ALL = 3;
inline constexpr std::size_t ZZCRASH_LOG_STACK_WINDOW_BYTES = 16 * 1024;
// A crash log of a few dozen threads fits whole: it goes out in one write.
inline constexpr std::size_t ZZCRASH_LOG_OUTPUT_BUFFER_BYTES = 64 * 1024;

// An owned copy of a text, NUL-terminated; no bytes when unknown.
struct zzcrash_log_text {
    std::size_t length;
    char* bytes;
};

// The application's custom data: a block that is never changed once
// published, so that a crash on one thread can read it while another thread
// replaces it.
struct zzcrash_log_custom_data {
    std::size_t length;
    const std::uint8_t* bytes;
};

// The last symbol looked up. Each frame of the exception is written in two
// passes (its size counted, then its bytes), so one pc is asked for twice in
// a row.
inline constexpr std::size_t ZZCRASH_LOG_SYMBOL_NAME_MAX = 1023;
struct zzcrash_log_symbol_memo {
    bool valid;  // false: nothing asked yet in this write
    std::uint64_t pc;
    bool found;
    std::uint64_t start;
    char name[ZZCRASH_LOG_SYMBOL_NAME_MAX + 1];  // cut at the limit
};

// Symbols already looked up in this write, by lookup pc: a crash's threads
// share most of their frames (their start, their event loops). Names go one
// after another into `names`; one that no longer fits is not kept, and its
// frame looked up again as it is written.
inline constexpr std::size_t ZZCRASH_LOG_SYMBOL_CACHE_ENTRIES = 512;
inline constexpr std::size_t ZZCRASH_LOG_SYMBOL_NAME_BYTES = 64 * 1024;
inline constexpr std::uint32_t ZZCRASH_LOG_NAME_NOT_KEPT = 0xffffffffu;
struct zzcrash_log_symbol {
    bool found;
    std::uint64_t start;
    std::uint32_t name_offset;  // in the cache's names, or ZZCRASH_LOG_NAME_NOT_KEPT
    std::uint32_t name_length;
};
struct zzcrash_log_symbol_cache_entry {
    bool used;
    std::uint64_t pc;
    zzcrash_log_symbol symbol;
};
struct zzcrash_log_symbol_cache {
    zzcrash_log_symbol_cache_entry entries[ZZCRASH_LOG_SYMBOL_CACHE_ENTRIES];
    std::uint32_t names_used;
    char names[ZZCRASH_LOG_SYMBOL_NAME_BYTES];
};

// One thread's stack as the write walked and named it, once: the thread's
// section is counted and then written from this record, so neither pass
// walks the stack or looks a symbol up again.
struct zzcrash_log_stack_frame {
    std::uint64_t pc;
    bool return_address;        // not the first frame's, nor an interrupted one's
    zzcrash_log_symbol symbol;  // not found when frames are not named
};
struct zzcrash_log_stack {
    bool walked;  // the first frame was reached: its registers are known
    zzcrash_async_thread_state first_frame;
    std::uint32_t count;
    zzcrash_log_stack_frame frames[ZZCRASH_LOG_MAX_FRAMES];
};

// Storage a write works in, kept with the writer so that a crash handler
// needs none of its own: the thread list, a window onto the stack being
// walked, unwind rows already worked out, the symbol lookups' caches, the
// calling thread's stack (walked first, written in its turn), the crashed
// thread's (walked next, when it is another) and the other threads' one at a
// time, and the buffer the log's bytes gather in on their way to the file.
struct zzcrash_log_writer_scratch {
    zzcrash_thread_list threads;
    std::uint8_t stack_window[ZZCRASH_LOG_STACK_WINDOW_BYTES];
    zzcrash_async_unwind_cache unwind_cache;
    zzcrash_async_symbolication_cache symbolication_cache;
    zzcrash_log_symbol_memo symbol_memo;
    zzcrash_log_symbol_cache symbol_cache;
    zzcrash_log_stack current_stack;
    zzcrash_log_stack crashed_stack;
    zzcrash_log_stack stack;
    std::uint8_t output[ZZCRASH_LOG_OUTPUT_BUFFER_BYTES];
    // The last write left the threads it stopped stopped (see
    // `holds_stopped_threads`).
    bool threads_held;
};

struct zzcrash_log_writer {
    std::uint32_t symbolication_strategy;  // ZZCRASH_SYMBOL_STRATEGY_* bits; 0: frames are not named
    bool user_requested;
    // A crash's writer: the threads a write stopped stay stopped after it,
    // until the crash handler lets them go, which it does only when the
    // process is to go on. A thread let go while the crashed one is on its
    // way to its signal's default action (a thread whose sleep the stop cut
    // short) could end the process first, by an exit that says nothing of
    // the crash.
    bool holds_stopped_threads;
    std::uint8_t report_uuid[16];

    zzcrash_log_text os_version;
    zzcrash_log_text os_build;
    zzcrash_log_text machine_model;
    std::int64_t cpu_type;
    std::int64_t cpu_subtype;
    std::uint32_t processor_count;
    std::uint32_t logical_processor_count;

    zzcrash_log_text application_identifier;
    zzcrash_log_text application_version;
    zzcrash_log_text application_marketing_version;

    zzcrash_log_text process_name;
    std::uint32_t process_id;
    zzcrash_log_text process_path;
    std::uint64_t process_start_time;
    zzcrash_log_text parent_process_name;
    std::uint32_t parent_process_id;
    bool native;

    // Filled first and then marked present, so that a crash on another
    // thread sees either all of it or nothing.
    struct {
        std::atomic<bool> has_exception;
        char* name;
        char* reason;
        std::uint64_t* call_stack;
        std::size_t call_stack_count;
    } uncaught_exception;

    // Null when there is none. A write counts itself in the readers while it
    // holds the block; a block replaced meanwhile is left to it.
    std::atomic<zzcrash_log_custom_data*> custom_data;
    std::atomic<std::int32_t> custom_data_readers;

    zzcrash_log_writer_scratch scratch;
};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<zzcrash_log_custom_data*>::is_always_lock_free);
static_assert(std::atomic<std::int32_t>::is_always_lock_free);

// The exception that ended the process, as the writer records it.
struct zzcrash_log_exception {
    const char* name;
    const char* reason;               // null: none
    const std::uint64_t* call_stack;  // return addresses, innermost first
    std::size_t call_stack_count;
};

// Not async-signal-safe: these gather and copy. A record is zero (static or
// value-initialised) before its first init; init releases what it held.

// Fills the record with the application's identity and this process's,
// host's and kernel's facts, and a new report id. Error 5 when the process's
// own facts cannot be read (the record is then only partly filled).
[[nodiscard]] zzcrash_error_t zzcrash_log_writer_init(zzcrash_log_writer* writer, const char* application_identifier,
                                                      const char* application_version,
                                                      const char* application_marketing_version,  // null: none
                                                      std::uint32_t symbolication_strategy, bool user_requested);
// Records the exception that ended the process; a second one stops the
// process (an assertion): only the first can have ended it.
void zzcrash_log_writer_set_exception(zzcrash_log_writer* writer, const zzcrash_log_exception* exception);
// Publishes a copy of the bytes (null: none) in place of the previous block.
void zzcrash_log_writer_set_custom_data(zzcrash_log_writer* writer, const void* bytes, std::size_t length);
void zzcrash_log_writer_free(zzcrash_log_writer* writer);

// Async-signal-safe, allocates nothing.

// Writes the crash log: every thread of the process (the others stopped
// while it is written, and after it when the writer holds them), `crashed_thread` marked crashed; the calling thread
// is described by `current_state`, or left out when that is null. The log
// stays within ZZCRASH_LOG_MAX_BYTES and the file's own limit: what does not
// fit is the outermost frames of the threads that did not crash, then of the
// crashed one. Error 2 when the file refused or failed a write, else 0.
[[nodiscard]] zzcrash_error_t zzcrash_log_writer_write(zzcrash_log_writer* writer, zzcrash_thread_t crashed_thread,
                                                       zzcrash_async_image_list* image_list, zzcrash_async_file* file,
                                                       const zzcrash_log_signal_info* signal_info,
                                                       const zzcrash_async_thread_state* current_state);
// After a write of a writer that holds the threads it stopped: lets every
// one of them go on, or only `thread` (the others stay stopped). Nothing
// when the write holds none.
void zzcrash_log_writer_release_threads(zzcrash_log_writer* writer);
void zzcrash_log_writer_release_thread(zzcrash_log_writer* writer, zzcrash_thread_t thread);
// Called after a write; answers 0.
[[nodiscard]] zzcrash_error_t zzcrash_log_writer_close(zzcrash_log_writer* writer);
