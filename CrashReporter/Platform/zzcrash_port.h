#pragma once
#include <cstdint>

#include "CrashReporter/Platform/zzcrash_kern_return.h"

// Ports of this process, in the shape exception handling needs: a port is a
// queue of messages that one receiver reads (a pipe of its own that keeps each
// message whole: a datagram socket pair, so that a receiver can learn the size
// of a message before it takes it), sent
// to by whoever holds its name; send rights are counted, and a port can ask
// to be told (a no-senders notification) when its last send right goes.
// Ports can be gathered into a port set, on which a receiver waits for a
// message on any of its members. Names index a fixed table, so that a crash
// handler can send and receive without allocating. A forked child sees its
// parent's ports as no ports: nothing in the child receives on them.
// Allocation and destruction are not for the crash path; sending and
// receiving are async-signal-safe.
using zzcrash_port_t = std::uint32_t;

inline constexpr zzcrash_port_t ZZCRASH_PORT_NULL = 0;
inline constexpr zzcrash_port_t ZZCRASH_PORT_DEAD = ~zzcrash_port_t{0};
inline constexpr std::uint32_t ZZCRASH_PORT_CAPACITY = 64;

// A port and its receive right; KERN_RESOURCE_SHORTAGE when the table is
// full or no pipe can be made.
zzcrash_kern_return_t zzcrash_port_allocate(zzcrash_port_t* name);
// An empty port set.
zzcrash_kern_return_t zzcrash_port_set_allocate(zzcrash_port_t* name);
// A port goes with the messages queued on it; a set's members leave it.
zzcrash_kern_return_t zzcrash_port_destroy(zzcrash_port_t name);

// Changes the port's send-right count by `delta` (+1 makes one). When the
// count falls to 0 and a no-senders notification was requested, the notify
// port receives it (once per request). KERN_INVALID_RIGHT when the count
// would fall below 0.
zzcrash_kern_return_t zzcrash_port_mod_send_refs(zzcrash_port_t name, std::int32_t delta);
// The port's send-right count; -1 for a name that is not a port.
std::int32_t zzcrash_port_send_refs(zzcrash_port_t name);
// Asks for a no-senders notification ("msgh_id" 70) on `notify` when the
// port's last send right goes.
zzcrash_kern_return_t zzcrash_port_request_no_senders(zzcrash_port_t name, zzcrash_port_t notify);
// Moves a port into a set (out of the one it was in); ZZCRASH_PORT_NULL as
// the set takes it out.
zzcrash_kern_return_t zzcrash_port_move_member(zzcrash_port_t port, zzcrash_port_t set);

// Whether a receiver took a message whose answer is to come to one of the
// process's ports and has not answered it yet: a wait for that answer is a
// wait for work being done, not for a receiver that may never come.
bool zzcrash_port_any_answer_owed();

// Whether the calling thread is the one that receives on the port (on it or
// on its set): a message it sent there would wait for itself.
bool zzcrash_port_received_by_caller(zzcrash_port_t name);
