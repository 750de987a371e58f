#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "CrashReporter/Platform/zzcrash_message.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/Platform/zzcrash_thread_state.h"

// The exception request and its reply, byte for byte as exception handlers
// read them: the header, a body of two port descriptors (the thread and the
// task; here their ids), the NDR record, the exception type, the code count
// and the codes, 32 or 64 bits each as the handler's behaviour asks.
struct zzcrash_exception_port_descriptor {
    std::uint32_t name;
    std::uint32_t pad1;
    std::uint16_t pad2;
    std::uint8_t disposition;
    std::uint8_t type;
};

struct zzcrash_exception_request {
    zzcrash_msg_header header;
    std::uint32_t descriptor_count;
    zzcrash_exception_port_descriptor thread;
    zzcrash_exception_port_descriptor task;
    std::uint8_t ndr[8];
    std::int32_t exception;
    std::uint32_t code_count;
    std::uint8_t codes[16];  // two codes of 64 bits, the most a fault sends
};
static_assert(offsetof(zzcrash_exception_request, thread) == 28);
static_assert(offsetof(zzcrash_exception_request, task) == 40);
static_assert(offsetof(zzcrash_exception_request, exception) == 60);
static_assert(offsetof(zzcrash_exception_request, code_count) == 64);
static_assert(offsetof(zzcrash_exception_request, codes) == 68);
static_assert(sizeof(zzcrash_exception_request) == 84);

struct zzcrash_exception_reply {
    zzcrash_msg_header header;
    std::uint8_t ndr[8];
    std::int32_t return_code;
};
static_assert(sizeof(zzcrash_exception_reply) == 36);

// A thread state as it travels: its flavour, then `count` words.
struct zzcrash_exception_thread_state {
    std::uint32_t flavor;
    std::uint32_t count;
    std::uint32_t words[ZZCRASH_THREAD_STATE_MAX];
};

// The reply to a request that carried the thread's state: the answer and,
// with success, the state the thread is to go on with (`count` words of it).
struct zzcrash_exception_state_reply {
    zzcrash_exception_reply reply;
    zzcrash_exception_thread_state new_state;
};
static_assert(offsetof(zzcrash_exception_state_reply, new_state) == 36);

// Request ids: 32-bit codes, and 64-bit codes (ZZCRASH_MACH_EXCEPTION_CODES); a reply's id is the request's + 100.
inline constexpr std::int32_t ZZCRASH_EXCEPTION_RAISE_ID = 2401;
inline constexpr std::int32_t ZZCRASH_MACH_EXCEPTION_RAISE_ID = 2405;
// The forms that carry the thread's state, alone and with the thread and the
// task (32-bit codes): the request is laid out as the one above up to its
// codes, then the state's flavour, its word count and its words, and the
// complex bit and the two port descriptors come only with the identity form.
inline constexpr std::int32_t ZZCRASH_EXCEPTION_RAISE_STATE_ID = 2402;
inline constexpr std::int32_t ZZCRASH_EXCEPTION_RAISE_STATE_IDENTITY_ID = 2403;
inline constexpr std::int32_t ZZCRASH_EXCEPTION_REPLY_ID_OFFSET = 100;
// The NDR record of this machine: little-endian integers, ASCII, IEEE floats.
inline constexpr std::uint8_t ZZCRASH_NDR_RECORD[8] = {0, 0, 0, 0, 1, 0, 0, 0};

// How long a report being written may keep a faulting thread waiting past
// its timeout: far beyond any real report, yet a handler that never finishes
// does not hold the crashed program for ever.
inline constexpr std::int64_t ZZCRASH_ANSWER_OWED_CEILING_MS = 120'000;

// Whether a wait that began at `started_ms` and was to end at `deadline_ms`
// goes on: before its deadline, and after it while a handler holds a message
// it has still to answer (the report of a crash being written), up to the
// ceiling. A fault must not end the process while its report is written.
bool zzcrash_exception_wait_goes_on(std::int64_t started_ms, std::int64_t deadline_ms);

// Sends the exception to `port` and waits up to `timeout_ms` in all (for a
// reply port while none is free, then for the handler's answer, which it
// returns), and longer while a handler is at work on a message (see
// zzcrash_exception_wait_goes_on); a failure to send or a reply that does
// not come or does not fit answers that failure instead. Codes go as 64 bits
// when `wide_codes`, else cut to 32. Async-signal-safe.
zzcrash_kern_return_t zzcrash_exception_raise(zzcrash_port_t port, bool wide_codes, zzcrash_thread_t thread, pid_t task,
                                              std::int32_t exception, const std::int64_t* codes,
                                              std::uint32_t code_count, std::int64_t timeout_ms);

// The same for a handler that takes the thread's state with the exception
// (the identity form also names the thread and the task): `state` goes with
// the request, and when the handler answers success it holds the new state
// of the reply. A success whose reply carries no whole state answers
// KERN_FAILURE. Codes go as 32 bits. Async-signal-safe.
zzcrash_kern_return_t zzcrash_exception_raise_state(zzcrash_port_t port, bool identity, zzcrash_thread_t thread,
                                                    pid_t task, std::int32_t exception, const std::int64_t* codes,
                                                    std::uint32_t code_count, zzcrash_exception_thread_state* state,
                                                    std::int64_t timeout_ms);
