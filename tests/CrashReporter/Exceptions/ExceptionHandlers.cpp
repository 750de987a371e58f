#include "tests/CrashReporter/Exceptions/ExceptionHandlers.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tessivar::testing {

namespace {

constexpr std::int32_t doneId = -1;

// The header of the answer to a request that came in with `received`.
zzcrash_msg_header replyHeader(const zzcrash_msg_header& received, std::size_t size) {
    return {zzcrash_msgh_bits(zzcrash_msgh_bits_remote(received.bits), 0),
            static_cast<std::uint32_t>(size),
            received.remote_port,
            ZZCRASH_PORT_NULL,
            0,
            received.id + ZZCRASH_EXCEPTION_REPLY_ID_OFFSET};
}

// Waits for a handler's thread: one that no request reached is woken, one
// that took its requests leaves this message queued.
void stopHandler(zzcrash_port_t port, std::thread& thread) {
    if (!thread.joinable()) return;
    const zzcrash_msg_header done{0, sizeof done, port, ZZCRASH_PORT_NULL, 0, doneId};
    zzcrash_msg_send(&done);
    thread.join();
}

}  // namespace

zzcrash_kern_return_t recordException(pid_t task, zzcrash_thread_t thread, std::int32_t type, const std::int64_t* codes,
                                      std::uint32_t count, void* context) {
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
        reply.header = replyHeader(received.header, sizeof reply);
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
    stopHandler(port_, thread_);
    return request_;
}

namespace {

// The fields of a request in order, as a handler takes them apart.
class Fields {
public:
    explicit Fields(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    template <class T>
    T next() {
        T value{};
        if (at_ + sizeof value <= bytes_.size()) std::memcpy(&value, bytes_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

StateRequestSeen seenIn(const std::vector<std::uint8_t>& bytes) {
    Fields fields(bytes);
    const auto header = fields.next<zzcrash_msg_header>();
    StateRequestSeen seen;
    seen.id = header.id;
    seen.complex = (header.bits & ZZCRASH_MSGH_BITS_COMPLEX) != 0;
    if (seen.complex) {
        fields.next<std::uint32_t>();
        seen.threadName = fields.next<zzcrash_exception_port_descriptor>().name;
        seen.taskName = fields.next<zzcrash_exception_port_descriptor>().name;
    }
    fields.next<std::uint64_t>();  // the NDR record
    seen.exception = fields.next<std::int32_t>();
    const auto codeCount = fields.next<std::uint32_t>();
    for (std::uint32_t i = 0; i < codeCount && i < 16; ++i) seen.codes.push_back(fields.next<std::int32_t>());
    seen.flavor = fields.next<std::uint32_t>();
    const auto count = fields.next<std::uint32_t>();
    for (std::uint32_t i = 0; i < count && i < ZZCRASH_THREAD_STATE_MAX; ++i)
        seen.state.push_back(fields.next<std::uint32_t>());
    return seen;
}

}  // namespace

StateHandler::StateHandler(Reply reply, int requests) : reply_(std::move(reply)) {
    zzcrash_port_allocate(&port_);
    thread_ = std::thread([this, requests] {
        for (int i = 0; i < requests + 1; ++i) {
            std::vector<std::uint8_t> bytes(ZZCRASH_MSG_SIZE_MAX);
            auto* header = reinterpret_cast<zzcrash_msg_header*>(bytes.data());
            if (zzcrash_msg_receive(port_, header, ZZCRASH_MSG_SIZE_MAX, 2000, nullptr) != ZZCRASH_KERN_SUCCESS ||
                header->id == doneId)
                return;
            bytes.resize(header->size);
            requests_.push_back(seenIn(bytes));
            answer(bytes, requests_.back(), i < requests);
        }
    });
}

void StateHandler::answer(const std::vector<std::uint8_t>& bytes, const StateRequestSeen& seen, bool first) {
    zzcrash_msg_header received;
    std::memcpy(&received, bytes.data(), sizeof received);
    zzcrash_exception_state_reply reply{};
    reply.reply.return_code = first ? reply_.answer : ZZCRASH_KERN_FAILURE;
    std::memcpy(reply.reply.ndr, ZZCRASH_NDR_RECORD, sizeof reply.reply.ndr);
    reply.new_state.flavor = seen.flavor;
    reply.new_state.count = static_cast<std::uint32_t>(seen.state.size());
    std::copy(seen.state.begin(), seen.state.end(), reply.new_state.words);
    for (const auto& [index, value] : reply_.changes) reply.new_state.words[index] = value;
    const bool withState = reply.reply.return_code == ZZCRASH_KERN_SUCCESS && !reply_.withoutState;
    const auto size = withState ? offsetof(zzcrash_exception_state_reply, new_state.words) + seen.state.size() * 4
                                : sizeof reply.reply;
    reply.reply.header = replyHeader(received, size);
    zzcrash_msg_send(&reply.reply.header);
}

StateHandler::~StateHandler() {
    requests();
    zzcrash_port_destroy(port_);
}

std::vector<StateRequestSeen> StateHandler::requests() {
    stopHandler(port_, thread_);
    return requests_;
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
    request.header = {
        ZZCRASH_MSGH_BITS_COMPLEX | zzcrash_msgh_bits(ZZCRASH_MSG_TYPE_COPY_SEND, ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE),
        sizeof request,
        ZZCRASH_PORT_NULL,
        ZZCRASH_PORT_NULL,
        0,
        ZZCRASH_MACH_EXCEPTION_RAISE_ID};
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
