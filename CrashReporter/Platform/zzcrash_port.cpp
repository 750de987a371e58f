#include "CrashReporter/Platform/zzcrash_port.h"

#include <sys/socket.h>
#include <unistd.h>

#include "CrashReporter/Platform/Private/zzcrash_port_slot.h"
#include "CrashReporter/Platform/zzcrash_message.h"

namespace {

zzcrash_port_slot slots[ZZCRASH_PORT_CAPACITY];

zzcrash_port_slot* claimSlot() {
    for (zzcrash_port_slot& slot : slots) {
        std::uint32_t expected = ZZCRASH_PORT_KIND_FREE;
        if (slot.kind.compare_exchange_strong(expected, ZZCRASH_PORT_KIND_CLAIMED)) return &slot;
    }
    return nullptr;
}

void publish(zzcrash_port_slot* slot, zzcrash_port_kind kind, zzcrash_port_t* name) {
    slot->send_refs.store(0);
    slot->no_senders_notify.store(ZZCRASH_PORT_NULL);
    slot->set.store(ZZCRASH_PORT_NULL);
    slot->receiver.store(0);
    slot->answer_owed.store(0);
    slot->in_hand.store(ZZCRASH_PORT_NULL);
    slot->owner = getpid();
    slot->kind.store(kind);
    *name = zzcrash_port_name_of(slot);
}

// The notification that the port's last send right went, to whoever asked.
void notifyNoSenders(zzcrash_port_slot* slot) {
    const zzcrash_port_t notify = slot->no_senders_notify.exchange(ZZCRASH_PORT_NULL);
    if (notify == ZZCRASH_PORT_NULL) return;
    struct {
        zzcrash_msg_header header;
        std::uint8_t ndr[8];
        std::uint32_t made_send_count;
    } message{};
    static_assert(sizeof message == 36);
    message.header = {zzcrash_msgh_bits(ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE, 0),
                      sizeof message,
                      notify,
                      ZZCRASH_PORT_NULL,
                      0,
                      ZZCRASH_NOTIFY_NO_SENDERS};
    zzcrash_msg_send(&message.header);
}

}  // namespace

zzcrash_port_slot* zzcrash_port_table() { return slots; }

zzcrash_port_slot* zzcrash_port_slot_of(zzcrash_port_t name, zzcrash_port_kind kind) {
    if (name == ZZCRASH_PORT_NULL || name > ZZCRASH_PORT_CAPACITY) return nullptr;
    zzcrash_port_slot* slot = &slots[name - 1];
    return slot->kind.load() == kind && slot->owner == getpid() ? slot : nullptr;
}

zzcrash_port_t zzcrash_port_name_of(const zzcrash_port_slot* slot) {
    return static_cast<zzcrash_port_t>(slot - slots) + 1;
}

zzcrash_kern_return_t zzcrash_port_allocate(zzcrash_port_t* name) {
    zzcrash_port_slot* slot = claimSlot();
    if (!slot) return ZZCRASH_KERN_RESOURCE_SHORTAGE;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        slot->kind.store(ZZCRASH_PORT_KIND_FREE);
        return ZZCRASH_KERN_RESOURCE_SHORTAGE;
    }
    slot->receive_fd = ends[0];
    slot->send_fd = ends[1];
    publish(slot, ZZCRASH_PORT_KIND_PORT, name);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t zzcrash_port_set_allocate(zzcrash_port_t* name) {
    zzcrash_port_slot* slot = claimSlot();
    if (!slot) return ZZCRASH_KERN_RESOURCE_SHORTAGE;
    slot->receive_fd = slot->send_fd = -1;
    publish(slot, ZZCRASH_PORT_KIND_SET, name);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t zzcrash_port_destroy(zzcrash_port_t name) {
    if (zzcrash_port_slot* set = zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_SET)) {
        for (zzcrash_port_slot& slot : slots) {
            zzcrash_port_t member = name;
            slot.set.compare_exchange_strong(member, ZZCRASH_PORT_NULL);
        }
        set->kind.store(ZZCRASH_PORT_KIND_FREE);
        return ZZCRASH_KERN_SUCCESS;
    }
    zzcrash_port_slot* port = zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_PORT);
    std::uint32_t expected = ZZCRASH_PORT_KIND_PORT;
    if (!port || !port->kind.compare_exchange_strong(expected, ZZCRASH_PORT_KIND_CLAIMED))
        return ZZCRASH_KERN_INVALID_NAME;
    close(port->receive_fd);
    close(port->send_fd);
    port->kind.store(ZZCRASH_PORT_KIND_FREE);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t zzcrash_port_mod_send_refs(zzcrash_port_t name, std::int32_t delta) {
    zzcrash_port_slot* port = zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_PORT);
    if (!port) return ZZCRASH_KERN_INVALID_NAME;
    std::int32_t refs = port->send_refs.load();
    do {
        if (refs + delta < 0) return ZZCRASH_KERN_INVALID_RIGHT;
    } while (!port->send_refs.compare_exchange_weak(refs, refs + delta));
    if (delta < 0 && refs + delta == 0) notifyNoSenders(port);
    return ZZCRASH_KERN_SUCCESS;
}

std::int32_t zzcrash_port_send_refs(zzcrash_port_t name) {
    const zzcrash_port_slot* port = zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_PORT);
    return port ? port->send_refs.load() : -1;
}

zzcrash_kern_return_t zzcrash_port_request_no_senders(zzcrash_port_t name, zzcrash_port_t notify) {
    zzcrash_port_slot* port = zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_PORT);
    if (!port) return ZZCRASH_KERN_INVALID_NAME;
    if (!zzcrash_port_slot_of(notify, ZZCRASH_PORT_KIND_PORT)) return ZZCRASH_KERN_INVALID_ARGUMENT;
    port->no_senders_notify.store(notify);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t zzcrash_port_move_member(zzcrash_port_t port, zzcrash_port_t set) {
    zzcrash_port_slot* member = zzcrash_port_slot_of(port, ZZCRASH_PORT_KIND_PORT);
    if (!member) return ZZCRASH_KERN_INVALID_NAME;
    if (set != ZZCRASH_PORT_NULL && !zzcrash_port_slot_of(set, ZZCRASH_PORT_KIND_SET)) return ZZCRASH_KERN_INVALID_NAME;
    member->set.store(set);
    return ZZCRASH_KERN_SUCCESS;
}

bool zzcrash_port_any_answer_owed() {
    for (const zzcrash_port_slot& slot : slots) {
        if (slot.kind.load() == ZZCRASH_PORT_KIND_PORT && slot.owner == getpid() && slot.answer_owed.load() != 0)
            return true;
    }
    return false;
}

bool zzcrash_port_received_by_caller(zzcrash_port_t name) {
    const zzcrash_port_slot* port = zzcrash_port_slot_of(name, ZZCRASH_PORT_KIND_PORT);
    if (!port) return false;
    const pid_t self = gettid();
    if (port->receiver.load() == self) return true;
    const zzcrash_port_slot* set = zzcrash_port_slot_of(port->set.load(), ZZCRASH_PORT_KIND_SET);
    return set && set->receiver.load() == self;
}
