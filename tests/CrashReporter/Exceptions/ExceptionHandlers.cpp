#include "tests/CrashReporter/Exceptions/ExceptionHandlers.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tessivar::testing {

namespace {
constexpr std::int32_t doneId = -1;
}  // namespace

zzcrash_kern_return_t recordException(pid_t task, zzcrash_thread_t thread, std::int32_t type,
                                      const std::int64_t* codes, std::uint32_t count, void* context) {
    auto* calls = static_cast<ExceptionCalls*>(context);
    const std::lock_guard guard(calls->lock);
    ++calls->count;
    calls->task = task;
    calls->thread = thread;
    calls->type = type;
    calls->codes.assign(codes, codes + count);
    std::this_thread::sleep_for(calls->workFor);
    return calls->answer;
}

PlainHandler::PlainHandler(zzcrash_kern_return_t answer) {
    zzcrash_port_allocate(&port_);
    thread_ = std::thread([this, answer] {
        zzcrash_exception_request received{};
        if (zzcrash_msg_receive(port_, &received.header, sizeof received, 2000, nullptr) != ZZCRASH_KERN_SUCCESS ||
            received.header.id == doneId)
            return;
        zzcrash_exception_reply reply{};
        reply.header = {zzcrash_msgh_bits(zzcrash_msgh_bits_remote(received.header.bits), 0), sizeof reply,
                        received.header.remote_port, ZZCRASH_PORT_NULL, 0,
                        received.header.id + ZZCRASH_EXCEPTION_REPLY_ID_OFFSET};
        reply.return_code = answer;
        request_ = received;
        zzcrash_msg_send(&reply.header);
    });
}

PlainHandler::~PlainHandler() {
    request();
    zzcrash_port_destroy(port_);
}

std::optional<zzcrash_exception_request> PlainHandler::request() {
    if (!thread_.joinable()) return request_;
    // Wakes a handler that no request reached; one that took a request
    // leaves this message queued.
    const zzcrash_msg_header done{0, sizeof done, port_, ZZCRASH_PORT_NULL, 0, doneId};
    zzcrash_msg_send(&done);
    thread_.join();
    return request_;
}

zzcrash_kern_return_t sendRequest(zzcrash_port_t port, const zzcrash_exception_request& request, std::uint32_t size,
                                  std::int64_t timeoutMs) {
    zzcrash_port_t reply = ZZCRASH_PORT_NULL;
    zzcrash_port_allocate(&reply);
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(size, sizeof request));
    std::memcpy(bytes.data(), &request, sizeof request);
    zzcrash_msg_header header = request.header;
    header.size = size;
    header.remote_port = port;
    header.local_port = reply;
    std::memcpy(bytes.data(), &header, sizeof header);
    zzcrash_kern_return_t result = zzcrash_msg_send(reinterpret_cast<const zzcrash_msg_header*>(bytes.data()));
    zzcrash_exception_reply answer{};
    if (result == ZZCRASH_KERN_SUCCESS)
        result = zzcrash_msg_receive(reply, &answer.header, sizeof answer, timeoutMs, nullptr);
    zzcrash_port_destroy(reply);
    return result == ZZCRASH_KERN_SUCCESS ? answer.return_code : result;
}

zzcrash_exception_request badAccessRequest() {
    zzcrash_exception_request request{};
    request.header = {ZZCRASH_MSGH_BITS_COMPLEX |
                          zzcrash_msgh_bits(ZZCRASH_MSG_TYPE_COPY_SEND, ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE),
                      sizeof request, ZZCRASH_PORT_NULL, ZZCRASH_PORT_NULL, 0, ZZCRASH_MACH_EXCEPTION_RAISE_ID};
    request.descriptor_count = 2;
    request.thread.name = static_cast<std::uint32_t>(gettid());
    request.task.name = static_cast<std::uint32_t>(getpid());
    std::memcpy(request.ndr, ZZCRASH_NDR_RECORD, sizeof request.ndr);
    request.exception = 1;
    request.code_count = 2;
    const std::int64_t codes[] = {1, 0x10};
    std::memcpy(request.codes, codes, sizeof codes);
    return request;
}

}  // namespace tessivar::testing
