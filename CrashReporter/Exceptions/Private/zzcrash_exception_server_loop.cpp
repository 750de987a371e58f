// The exception server's thread: it waits on the port set, answers each
// exception request with what the callback says, ignores no-senders
// notifications, and ends on the stop message.
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CrashReporter/Exceptions/Private/zzcrash_exception_server_context.h"
#include "CrashReporter/Platform/zzcrash_exception_message.h"

namespace {

using Context = zzcrash_exception_server_context;

// The fixed part of a request up to its first code, and the least a request
// with codes takes.
constexpr std::uint32_t codesOffset = offsetof(zzcrash_exception_request, codes);
constexpr std::uint32_t shortestBuffer = 76;

// A receive buffer, page-rounded. The message goes 4 bytes in, so that the
// 64-bit codes at byte 68 of a request lie on 8-byte boundaries.
struct Buffer {
    std::uint8_t* base = nullptr;
    std::size_t mapped = 0;

    zzcrash_msg_header* message() const { return reinterpret_cast<zzcrash_msg_header*>(base + 4); }
    std::uint32_t size() const { return static_cast<std::uint32_t>(mapped - 4); }
};

bool map(Buffer* buffer, std::size_t size) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t mapped = (size + 4 + page - 1) / page * page;
    void* memory = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return false;
    *buffer = {static_cast<std::uint8_t*>(memory), mapped};
    return true;
}

void unmap(Buffer* buffer) {
    if (buffer->base) munmap(buffer->base, buffer->mapped);
    *buffer = {};
}

void sayStopped(Context* context) {
    pthread_mutex_lock(&context->lock);
    context->stopped = true;
    pthread_cond_broadcast(&context->changed);
    pthread_mutex_unlock(&context->lock);
}

void reply(const zzcrash_msg_header* request, zzcrash_kern_return_t code) {
    zzcrash_exception_reply answer{};
    answer.header = {zzcrash_msgh_bits(zzcrash_msgh_bits_remote(request->bits), 0),
                     sizeof answer,
                     request->remote_port,
                     ZZCRASH_PORT_NULL,
                     0,
                     request->id + ZZCRASH_EXCEPTION_REPLY_ID_OFFSET};
    std::memcpy(answer.ndr, ZZCRASH_NDR_RECORD, sizeof answer.ndr);
    answer.return_code = code;
    zzcrash_msg_send(&answer.header);
}

// The codes must lie within the buffer and within the message itself: a
// count that only the buffer has room for would hand the callback bytes that
// the sender never wrote.
bool codesFit(const zzcrash_exception_request* request, std::uint32_t bufferSize) {
    const std::uint64_t codeBytes = std::uint64_t{request->code_count} * 8;
    return codeBytes <= bufferSize - shortestBuffer && codeBytes <= request->header.size - codesOffset;
}

void answer(Context* context, const Buffer& buffer) {
    const zzcrash_msg_header* message = buffer.message();
    if (message->size < shortestBuffer) return reply(message, ZZCRASH_KERN_FAILURE);
    const auto* request = reinterpret_cast<const zzcrash_exception_request*>(message);
    if (!codesFit(request, buffer.size())) return;
    const auto* codes = reinterpret_cast<const std::int64_t*>(buffer.base + 4 + codesOffset);
    reply(message,
          context->callback(static_cast<pid_t>(request->task.name), static_cast<zzcrash_thread_t>(request->thread.name),
                            request->exception, codes, request->code_count, context->callback_context));
}

// True when the message ends the loop.
bool isStop(Context* context, const zzcrash_msg_header* message) {
    return message->local_port == context->notify_port && message->id == ZZCRASH_EXCEPTION_SERVER_STOP_ID &&
           context->stop_requested.load() != 0;
}

bool isNoSenders(Context* context, const zzcrash_msg_header* message) {
    return message->local_port == context->notify_port && message->id == ZZCRASH_NOTIFY_NO_SENDERS;
}

// Receives until the stop message; false when a buffer could not be had.
bool serve(Context* context, Buffer* buffer) {
    for (;;) {
        std::uint32_t needed = 0;
        const zzcrash_kern_return_t received =
            zzcrash_msg_receive(context->port_set, buffer->message(), buffer->size(), -1, &needed);
        if (received == ZZCRASH_MACH_RCV_TOO_LARGE) {
            unmap(buffer);
            if (!map(buffer, needed)) {
                std::fprintf(stderr, "Unexpected error in vm_allocate(): 0x%x\n", static_cast<unsigned>(errno));
                return false;
            }
            continue;
        }
        if (received != ZZCRASH_KERN_SUCCESS) continue;
        if (isStop(context, buffer->message())) return true;
        if (!isNoSenders(context, buffer->message())) answer(context, *buffer);
    }
}

}  // namespace

void* zzcrash_exception_server_loop(void* argument) {
    auto* context = static_cast<Context*>(argument);
    pthread_mutex_lock(&context->lock);
    context->server_thread = gettid();
    context->started = true;
    pthread_cond_broadcast(&context->changed);
    pthread_mutex_unlock(&context->lock);
    Buffer buffer;
    if (!map(&buffer, shortestBuffer)) {
        std::fprintf(stderr, "Unexpected error in vm_allocate(): %x\n", static_cast<unsigned>(errno));
    } else {
        serve(context, &buffer);
        unmap(&buffer);
    }
    sayStopped(context);
    return nullptr;
}
