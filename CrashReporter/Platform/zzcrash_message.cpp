#include "CrashReporter/Platform/zzcrash_message.h"

#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "CrashReporter/Platform/Private/zzcrash_port_slot.h"

namespace {

// The ports a receive waits on: the port itself, or a set's members.
struct Waited {
    pollfd fds[ZZCRASH_PORT_CAPACITY];
    zzcrash_port_t names[ZZCRASH_PORT_CAPACITY];
    nfds_t count = 0;
};

void gather(zzcrash_port_t name, bool isSet, Waited* waited) {
    zzcrash_port_slot* table = zzcrash_port_table();
    for (std::uint32_t i = 0; i < ZZCRASH_PORT_CAPACITY; ++i) {
        zzcrash_port_slot& slot = table[i];
        if (slot.kind.load() != ZZCRASH_PORT_KIND_PORT) continue;
        const zzcrash_port_t slotName = zzcrash_port_name_of(&slot);
        if (isSet ? slot.set.load() != name : slotName != name) continue;
        waited->fds[waited->count] = {slot.receive_fd, POLLIN, 0};
        waited->names[waited->count++] = slotName;
    }
}

std::int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// What the sender gave becomes what the receiver holds: a right made for the
// message is a right carried by it.
std::uint32_t carried(std::uint32_t disposition) {
    if (disposition == ZZCRASH_MSG_TYPE_COPY_SEND || disposition == ZZCRASH_MSG_TYPE_MAKE_SEND)
        return ZZCRASH_MSG_TYPE_MOVE_SEND;
    if (disposition == ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE) return ZZCRASH_MSG_TYPE_MOVE_SEND_ONCE;
    return disposition;
}

void turnAround(zzcrash_msg_header* header, zzcrash_port_t arrivedOn, std::uint32_t size) {
    const zzcrash_port_t reply = header->local_port;
    const std::uint32_t bits = header->bits;
    header->bits = (bits & ZZCRASH_MSGH_BITS_COMPLEX) |
                   zzcrash_msgh_bits(carried(zzcrash_msgh_bits_local(bits)), carried(zzcrash_msgh_bits_remote(bits)));
    header->remote_port = reply;
    header->local_port = arrivedOn;
    header->size = size;
}

// One message from a ready port, when one is still there (another receiver
// may have been quicker): `taken` says whether it was.
zzcrash_kern_return_t takeFrom(int fd, zzcrash_port_t name, zzcrash_msg_header* buffer, std::uint32_t size,
                               std::uint32_t* needed, bool* taken) {
    *taken = false;
    const ssize_t length = recv(fd, buffer, size, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
    if (length < static_cast<ssize_t>(sizeof(zzcrash_msg_header))) return ZZCRASH_KERN_SUCCESS;
    if (static_cast<std::size_t>(length) > size) {
        if (needed) *needed = static_cast<std::uint32_t>(length);
        return ZZCRASH_MACH_RCV_TOO_LARGE;
    }
    if (recv(fd, buffer, size, MSG_DONTWAIT) != length) return ZZCRASH_KERN_SUCCESS;
    turnAround(buffer, name, static_cast<std::uint32_t>(length));
    *taken = true;
    return ZZCRASH_KERN_SUCCESS;
}

// The receiver now holds the answer right of the message it took.
void holdAnswer(zzcrash_port_slot* receivedOn, const zzcrash_msg_header* message) {
    if (zzcrash_msgh_bits_remote(message->bits) != ZZCRASH_MSG_TYPE_MOVE_SEND_ONCE) return;
    zzcrash_port_slot* reply = zzcrash_port_slot_of(message->remote_port, ZZCRASH_PORT_KIND_PORT);
    if (!reply) return;
    reply->answer_owed.store(1);
    receivedOn->in_hand.store(message->remote_port);
}

// A receiver that receives again has done with the message it held, answered
// or not: no answer is owed for it any more.
void releaseHeldAnswer(zzcrash_port_slot* receivedOn) {
    const zzcrash_port_t held = receivedOn->in_hand.exchange(ZZCRASH_PORT_NULL);
    if (zzcrash_port_slot* reply = zzcrash_port_slot_of(held, ZZCRASH_PORT_KIND_PORT)) reply->answer_owed.store(0);
}

}  // namespace

zzcrash_kern_return_t zzcrash_msg_send(const zzcrash_msg_header* message) {
    if (message->size < sizeof(zzcrash_msg_header)) return ZZCRASH_MACH_SEND_MSG_TOO_SMALL;
    if (message->size > ZZCRASH_MSG_SIZE_MAX) return ZZCRASH_MACH_SEND_TOO_LARGE;
    zzcrash_port_slot* port = zzcrash_port_slot_of(message->remote_port, ZZCRASH_PORT_KIND_PORT);
    if (!port) return ZZCRASH_MACH_SEND_INVALID_DEST;
    // An answer through the send-once right a request carried.
    if (zzcrash_msgh_bits_remote(message->bits) == ZZCRASH_MSG_TYPE_MOVE_SEND_ONCE) port->answer_owed.store(0);
    ssize_t sent;
    do {
        sent = send(port->send_fd, message, message->size, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(message->size) ? ZZCRASH_KERN_SUCCESS : ZZCRASH_MACH_SEND_INVALID_DEST;
}

zzcrash_kern_return_t zzcrash_msg_receive(zzcrash_port_t name, zzcrash_msg_header* buffer, std::uint32_t size,
                                          std::int64_t timeout_ms, std::uint32_t* needed) {
    zzcrash_port_slot* set = zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_SET);
    zzcrash_port_slot* port = set ? nullptr : zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_PORT);
    if (!set && !port) return ZZCRASH_MACH_RCV_INVALID_NAME;
    zzcrash_port_slot* receivedOn = set ? set : port;
    receivedOn->receiver.store(gettid());
    releaseHeldAnswer(receivedOn);
    const int savedErrno = errno;
    const std::int64_t deadline = timeout_ms < 0 ? -1 : nowMs() + timeout_ms;
    for (;;) {
        Waited waited;
        gather(name, set != nullptr, &waited);
        const std::int64_t remaining = deadline < 0 ? -1 : std::max<std::int64_t>(deadline - nowMs(), 0);
        const int ready = poll(waited.fds, waited.count, static_cast<int>(remaining));
        if (ready < 0 && errno != EINTR) break;
        for (nfds_t i = 0; ready > 0 && i < waited.count; ++i) {
            if (!(waited.fds[i].revents & POLLIN)) continue;
            bool taken = false;
            const zzcrash_kern_return_t result =
                takeFrom(waited.fds[i].fd, waited.names[i], buffer, size, needed, &taken);
            if (result != ZZCRASH_KERN_SUCCESS || taken) {
                if (taken) holdAnswer(receivedOn, buffer);
                errno = savedErrno;
                return result;
            }
        }
        if (remaining == 0) break;
    }
    errno = savedErrno;
    return ZZCRASH_MACH_RCV_TIMED_OUT;
}
