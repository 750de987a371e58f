#include "CrashReporter/Platform/zzcrash_exception_message.h"

#include "CrashReporter/Platform/Private/zzcrash_monotonic_clock.h"
#include "CrashReporter/Platform/zzcrash_port.h"

#include <time.h>

#include <cstring>

namespace {

constexpr std::uint8_t portDescriptor = 0;
constexpr std::uint8_t copySend = ZZCRASH_MSG_TYPE_COPY_SEND;

zzcrash_exception_request requestOf(zzcrash_port_t port, zzcrash_port_t reply, bool wideCodes, zzcrash_thread_t thread,
                                    pid_t task, std::int32_t exception, const std::int64_t* codes,
                                    std::uint32_t count) {
    zzcrash_exception_request request{};
    const std::uint32_t codeBytes = wideCodes ? 8 : 4;
    if (count * codeBytes > sizeof request.codes) count = sizeof request.codes / codeBytes;
    request.header = {ZZCRASH_MSGH_BITS_COMPLEX |
                          zzcrash_msgh_bits(ZZCRASH_MSG_TYPE_COPY_SEND, ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE),
                      static_cast<std::uint32_t>(offsetof(zzcrash_exception_request, codes) + count * codeBytes),
                      port,
                      reply,
                      0,
                      wideCodes ? ZZCRASH_MACH_EXCEPTION_RAISE_ID : ZZCRASH_EXCEPTION_RAISE_ID};
    request.descriptor_count = 2;
    request.thread = {static_cast<std::uint32_t>(thread), 0, 0, copySend, portDescriptor};
    request.task = {static_cast<std::uint32_t>(task), 0, 0, copySend, portDescriptor};
    std::memcpy(request.ndr, ZZCRASH_NDR_RECORD, sizeof request.ndr);
    request.exception = exception;
    request.code_count = count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto narrow = static_cast<std::int32_t>(codes[i]);
        std::memcpy(request.codes + i * codeBytes, wideCodes ? static_cast<const void*>(&codes[i]) : &narrow, codeBytes);
    }
    return request;
}

constexpr std::int64_t owedSliceMs = 100;

// Waits for the answer until the deadline, and on while a handler is still at
// work on a request: this one, or another thread's that came first (a second
// thread that faults while the first one's report is written waits for that
// report, then for its own answer).
zzcrash_kern_return_t awaitReply(zzcrash_port_t reply, std::int32_t requestId, std::int64_t startedMs,
                                 std::int64_t deadlineMs) {
    zzcrash_exception_reply answer{};
    zzcrash_kern_return_t received = ZZCRASH_MACH_RCV_TIMED_OUT;
    for (std::int64_t until = deadlineMs;;) {
        const std::int64_t left = until - zzcrash_monotonic_ms();
        received = zzcrash_msg_receive(reply, &answer.header, sizeof answer, left > 0 ? left : 0, nullptr);
        if (received != ZZCRASH_MACH_RCV_TIMED_OUT || !zzcrash_exception_wait_goes_on(startedMs, deadlineMs)) break;
        until = zzcrash_monotonic_ms() + owedSliceMs;
    }
    if (received != ZZCRASH_KERN_SUCCESS) return received;
    if (answer.header.size < sizeof answer || answer.header.id != requestId + ZZCRASH_EXCEPTION_REPLY_ID_OFFSET)
        return ZZCRASH_KERN_FAILURE;
    return answer.return_code;
}

// A reply port, waiting while the table is full: when many threads fault at
// once, the ones past the table's size wait for a port as the first waits
// for its answer, which comes once the report of the crash is written. One
// that gave up at once would end the process while the report is written.
zzcrash_kern_return_t allocateReplyPort(zzcrash_port_t* reply, std::int64_t startedMs, std::int64_t deadlineMs) {
    const timespec pause{0, 1'000'000};
    for (;;) {
        const zzcrash_kern_return_t allocated = zzcrash_port_allocate(reply);
        if (allocated != ZZCRASH_KERN_RESOURCE_SHORTAGE || !zzcrash_exception_wait_goes_on(startedMs, deadlineMs))
            return allocated;
        nanosleep(&pause, nullptr);
    }
}

}  // namespace

bool zzcrash_exception_wait_goes_on(std::int64_t started_ms, std::int64_t deadline_ms) {
    const std::int64_t now = zzcrash_monotonic_ms();
    if (now < deadline_ms) return true;
    return now < started_ms + ZZCRASH_ANSWER_OWED_CEILING_MS && zzcrash_port_any_answer_owed();
}

zzcrash_kern_return_t zzcrash_exception_raise(zzcrash_port_t port, bool wide_codes, zzcrash_thread_t thread, pid_t task,
                                              std::int32_t exception, const std::int64_t* codes,
                                              std::uint32_t code_count, std::int64_t timeout_ms) {
    const std::int64_t started = zzcrash_monotonic_ms();
    const std::int64_t deadline = started + timeout_ms;
    zzcrash_port_t reply = ZZCRASH_PORT_NULL;
    const zzcrash_kern_return_t allocated = allocateReplyPort(&reply, started, deadline);
    if (allocated != ZZCRASH_KERN_SUCCESS) return allocated;
    const zzcrash_exception_request request =
        requestOf(port, reply, wide_codes, thread, task, exception, codes, code_count);
    zzcrash_kern_return_t result = zzcrash_msg_send(&request.header);
    if (result == ZZCRASH_KERN_SUCCESS) result = awaitReply(reply, request.header.id, started, deadline);
    zzcrash_port_destroy(reply);
    return result;
}
