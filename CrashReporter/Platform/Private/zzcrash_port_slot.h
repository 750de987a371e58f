#pragma once
#include <sys/types.h>

#include <atomic>
#include <cstdint>

#include "CrashReporter/Platform/zzcrash_port.h"

// One entry of the port table. A slot is claimed and released by compare-
// and-swap of its kind, so that names are handed out without a lock.
enum zzcrash_port_kind : std::uint32_t {
    ZZCRASH_PORT_KIND_FREE,
    ZZCRASH_PORT_KIND_CLAIMED,  // being made or destroyed
    ZZCRASH_PORT_KIND_PORT,
    ZZCRASH_PORT_KIND_SET,
};

struct zzcrash_port_slot {
    std::atomic<std::uint32_t> kind;
    int receive_fd;  // ports: the pipe's ends
    int send_fd;
    std::atomic<std::int32_t> send_refs;
    std::atomic<zzcrash_port_t> no_senders_notify;
    std::atomic<zzcrash_port_t> set;  // the set a port is in
    std::atomic<pid_t> receiver;      // the thread that last received on it
    // A reply port: a receiver took the message whose answer comes here and
    // has not answered yet (it may be writing the report of a crash).
    std::atomic<std::uint32_t> answer_owed;
    // A port or set received on: the reply port of the message its receiver
    // holds, until the receiver answers it or receives again.
    std::atomic<zzcrash_port_t> in_hand;
    // The process that made it. A forked child inherits the table but not the
    // threads that receive on its ports: to the child they are not ports.
    pid_t owner;
};
static_assert(std::atomic<std::uint32_t>::is_always_lock_free);
static_assert(std::atomic<pid_t>::is_always_lock_free);

// The slot a name stands for when it is of that kind; null otherwise.
zzcrash_port_slot* zzcrash_port_slot_of(zzcrash_port_t name, zzcrash_port_kind kind);
// The name of a slot of the table.
zzcrash_port_t zzcrash_port_name_of(const zzcrash_port_slot* slot);
// The whole table, for a receiver that gathers a set's members.
zzcrash_port_slot* zzcrash_port_table();
