#include "CrashReporter/Platform/zzcrash_exception_message.h"

#include "CrashReporter/Platform/Private/zzcrash_monotonic_clock.h"
#include "CrashReporter/Platform/zzcrash_port.h"

#include <time.h>

#include <cstring>

namespace {

constexpr std::uint8_t portDescriptor = 0;
constexpr std::uint8_t copySend = ZZCRASH_MSG_TYPE_COPY_SEND;

constexpr std::uint32_t requestBits(bool complex) {
    return (complex ? ZZCRASH_MSGH_BITS_COMPLEX : 0) |
           zzcrash_msgh_bits(ZZCRASH_MSG_TYPE_COPY_SEND, ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE);
}

zzcrash_exception_port_descriptor descriptorOf(std::uint32_t name) { return {name, 0, 0, copySend, portDescriptor}; }

zzcrash_exception_request requestOf(zzcrash_port_t port, zzcrash_port_t reply, bool wideCodes, zzcrash_thread_t thread,
                                    pid_t task, std::int32_t exception, const std::int64_t* codes,
                                    std::uint32_t count) {
    zzcrash_exception_request request{};
    const std::uint32_t codeBytes = wideCodes ? 8 : 4;
    if (count * codeBytes > sizeof request.codes) count = sizeof request.codes / codeBytes;
    request.header = {requestBits(true),
                      static_cast<std::uint32_t>(offsetof(zzcrash_exception_request, codes) + count * codeBytes),
                      port,
                      reply,
                      0,
                      wideCodes ? ZZCRASH_MACH_EXCEPTION_RAISE_ID : ZZCRASH_EXCEPTION_RAISE_ID};
    request.descriptor_count = 2;
    request.thread = descriptorOf(static_cast<std::uint32_t>(thread));
    request.task = descriptorOf(static_cast<std::uint32_t>(task));
    std::memcpy(request.ndr, ZZCRASH_NDR_RECORD, sizeof request.ndr);
    request.exception = exception;
    request.code_count = count;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto narrow = static_cast<std::int32_t>(codes[i]);
        std::memcpy(request.codes + i * codeBytes, wideCodes ? static_cast<const void*>(&codes[i]) : &narrow,
                    codeBytes);
    }
    return request;
}

// The most codes a request with the thread's state carries: a fault has two.
constexpr std::uint32_t maxStateCodes = 2;

// A request with the thread's state, laid out field after field: what
// follows the codes moves with their number.
class StateRequest {
public:
    const zzcrash_msg_header* fill(zzcrash_port_t port, zzcrash_port_t reply, bool identity, zzcrash_thread_t thread,
                                   pid_t task, std::int32_t exception, const std::int64_t* codes, std::uint32_t count,
                                   const zzcrash_exception_thread_state& state) {
        size_ = 0;
        put(zzcrash_msg_header{
            requestBits(identity), 0, port, reply, 0,
            identity ? ZZCRASH_EXCEPTION_RAISE_STATE_IDENTITY_ID : ZZCRASH_EXCEPTION_RAISE_STATE_ID});
        if (identity) {
            put(std::uint32_t{2});
            put(descriptorOf(static_cast<std::uint32_t>(thread)));
            put(descriptorOf(static_cast<std::uint32_t>(task)));
        }
        put(ZZCRASH_NDR_RECORD);
        put(exception);
        if (count > maxStateCodes) count = maxStateCodes;
        put(count);
        for (std::uint32_t i = 0; i < count; ++i) put(static_cast<std::int32_t>(codes[i]));
        put(state.flavor);
        put(state.count);
        append(state.words, state.count * sizeof state.words[0]);
        const std::uint32_t size = size_;
        std::memcpy(bytes_ + offsetof(zzcrash_msg_header, size), &size, sizeof size);
        return reinterpret_cast<const zzcrash_msg_header*>(bytes_);
    }

private:
    template <class T>
    void put(const T& value) {
        append(&value, sizeof value);
    }
    void append(const void* bytes, std::size_t length) {
        std::memcpy(bytes_ + size_, bytes, length);
        size_ += static_cast<std::uint32_t>(length);
    }

    alignas(8) std::uint8_t bytes_[sizeof(zzcrash_exception_request) - 16 + maxStateCodes * 4 + 8 +
                                   sizeof(zzcrash_exception_thread_state::words)];
    std::uint32_t size_ = 0;
};

// The new state of a reply; false when it does not hold a whole one.
bool takeNewState(const zzcrash_exception_state_reply& answer, zzcrash_exception_thread_state* state) {
    const std::uint32_t size = answer.reply.header.size;
    constexpr std::uint32_t stateOffset = offsetof(zzcrash_exception_state_reply, new_state.words);
    if (size < stateOffset || size > sizeof answer) return false;
    const std::uint32_t count = answer.new_state.count;
    if (count > ZZCRASH_THREAD_STATE_MAX || size < stateOffset + count * 4) return false;
    state->flavor = answer.new_state.flavor;
    state->count = count;
    std::memcpy(state->words, answer.new_state.words, count * sizeof state->words[0]);
    return true;
}

constexpr std::int64_t owedSliceMs = 100;

// Waits for the answer until the deadline, and on while a handler is still at
// work on a request: this one, or another thread's that came first (a second
// thread that faults while the first one's report is written waits for that
// report, then for its own answer).
zzcrash_kern_return_t awaitReply(zzcrash_port_t reply, std::int32_t requestId, std::int64_t startedMs,
                                 std::int64_t deadlineMs, zzcrash_exception_reply* answer, std::uint32_t answerSize) {
    zzcrash_kern_return_t received = ZZCRASH_MACH_RCV_TIMED_OUT;
    for (std::int64_t until = deadlineMs;;) {
        const std::int64_t left = until - zzcrash_monotonic_ms();
        received = zzcrash_msg_receive(reply, &answer->header, answerSize, left > 0 ? left : 0, nullptr);
        if (received != ZZCRASH_MACH_RCV_TIMED_OUT || !zzcrash_exception_wait_goes_on(startedMs, deadlineMs)) break;
        until = zzcrash_monotonic_ms() + owedSliceMs;
    }
    if (received != ZZCRASH_KERN_SUCCESS) return received;
    if (answer->header.size < sizeof *answer || answer->header.id != requestId + ZZCRASH_EXCEPTION_REPLY_ID_OFFSET)
        return ZZCRASH_KERN_FAILURE;
    return answer->return_code;
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

// Sends the request that `build(reply port)` makes and waits for its reply
// into `answer`, `answerSize` bytes at most: the handler's answer, or the
// failure to send or to receive.
template <class Build>
zzcrash_kern_return_t exchange(std::int64_t timeoutMs, Build&& build, zzcrash_exception_reply* answer,
                               std::uint32_t answerSize) {
    const std::int64_t started = zzcrash_monotonic_ms();
    const std::int64_t deadline = started + timeoutMs;
    zzcrash_port_t reply = ZZCRASH_PORT_NULL;
    const zzcrash_kern_return_t allocated = allocateReplyPort(&reply, started, deadline);
    if (allocated != ZZCRASH_KERN_SUCCESS) return allocated;
    const zzcrash_msg_header* request = build(reply);
    zzcrash_kern_return_t result = zzcrash_msg_send(request);
    if (result == ZZCRASH_KERN_SUCCESS) result = awaitReply(reply, request->id, started, deadline, answer, answerSize);
    zzcrash_port_destroy(reply);
    return result;
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
    zzcrash_exception_request request;
    zzcrash_exception_reply answer{};
    const auto build = [&](zzcrash_port_t reply) {
        request = requestOf(port, reply, wide_codes, thread, task, exception, codes, code_count);
        return &request.header;
    };
    return exchange(timeout_ms, build, &answer, sizeof answer);
}

zzcrash_kern_return_t zzcrash_exception_raise_state(zzcrash_port_t port, bool identity, zzcrash_thread_t thread,
                                                    pid_t task, std::int32_t exception, const std::int64_t* codes,
                                                    std::uint32_t code_count, zzcrash_exception_thread_state* state,
                                                    std::int64_t timeout_ms) {
    if (state->count > ZZCRASH_THREAD_STATE_MAX) return ZZCRASH_KERN_INVALID_ARGUMENT;
    // The request and its reply take some 10 KiB of stack.
    StateRequest request;
    zzcrash_exception_state_reply answer;
    const auto build = [&](zzcrash_port_t reply) {
        return request.fill(port, reply, identity, thread, task, exception, codes, code_count, *state);
    };
    const zzcrash_kern_return_t answered = exchange(timeout_ms, build, &answer.reply, sizeof answer);
    if (answered != ZZCRASH_KERN_SUCCESS) return answered;
    return takeNewState(answer, state) ? ZZCRASH_KERN_SUCCESS : ZZCRASH_KERN_FAILURE;
}
