#pragma once
#include <cstdint>

#include "CrashReporter/Platform/zzcrash_port.h"

// A message on a port: this header, then its body. A sender names the
// destination as the remote port and, when it wants an answer, its reply port
// as the local one; the receiver finds them the other way round (the reply
// port as remote, the port the message came in on as local), with the
// dispositions swapped likewise, so that a reply goes to the remote port.
struct zzcrash_msg_header {
    std::uint32_t bits;  // remote disposition | local disposition << 8 | complex
    std::uint32_t size;  // of the whole message
    zzcrash_port_t remote_port;
    zzcrash_port_t local_port;
    std::uint32_t voucher_port;
    std::int32_t id;
};
static_assert(sizeof(zzcrash_msg_header) == 24);

inline constexpr std::uint32_t ZZCRASH_MSG_TYPE_MOVE_SEND = 17;
inline constexpr std::uint32_t ZZCRASH_MSG_TYPE_MOVE_SEND_ONCE = 18;
inline constexpr std::uint32_t ZZCRASH_MSG_TYPE_COPY_SEND = 19;
inline constexpr std::uint32_t ZZCRASH_MSG_TYPE_MAKE_SEND = 20;
inline constexpr std::uint32_t ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE = 21;
inline constexpr std::uint32_t ZZCRASH_MSGH_BITS_COMPLEX = 0x80000000;
// The id of a no-senders notification.
inline constexpr std::int32_t ZZCRASH_NOTIFY_NO_SENDERS = 70;
// The largest message a port carries.
inline constexpr std::uint32_t ZZCRASH_MSG_SIZE_MAX = 64 * 1024;

constexpr std::uint32_t zzcrash_msgh_bits(std::uint32_t remote, std::uint32_t local) { return remote | local << 8; }
constexpr std::uint32_t zzcrash_msgh_bits_remote(std::uint32_t bits) { return bits & 0x1f; }
constexpr std::uint32_t zzcrash_msgh_bits_local(std::uint32_t bits) { return (bits >> 8) & 0x1f; }

// Queues the message (header->size bytes) on its remote port.
// MACH_SEND_INVALID_DEST when that is not a port; MACH_SEND_MSG_TOO_SMALL or
// MACH_SEND_TOO_LARGE for a size outside 24 to ZZCRASH_MSG_SIZE_MAX.
zzcrash_kern_return_t zzcrash_msg_send(const zzcrash_msg_header* message);

// Takes the next message of a port, or of any member of a set, into `buffer`
// of `size` bytes, waiting up to `timeout_ms` (negative: for ever). A message
// larger than the buffer stays queued: the answer is MACH_RCV_TOO_LARGE with
// its size in `needed`. MACH_RCV_TIMED_OUT after the wait;
// MACH_RCV_INVALID_NAME for a name that is neither.
zzcrash_kern_return_t zzcrash_msg_receive(zzcrash_port_t name, zzcrash_msg_header* buffer, std::uint32_t size,
                                          std::int64_t timeout_ms, std::uint32_t* needed);
