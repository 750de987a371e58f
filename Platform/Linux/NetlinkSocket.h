#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "Platform/Foundation/UniqueFd.h"

namespace platform {

// A NETLINK_ROUTE socket, closed with its owner. It belongs to the network
// namespace of the thread that opened it for its whole life, whatever that thread
// does afterwards.
class NetlinkSocket {
public:
    struct Received {
        std::size_t length = 0;  // bytes stored in the buffer
        int error = 0;           // EAGAIN when nothing came in time, EMSGSIZE when cut short
    };

    NetlinkSocket() = default;

    // Opens the socket joined to the legacy multicast `groups` (RTMGRP_* bits, 0 for
    // none). Answers 0 or errno.
    [[nodiscard]] int open(std::uint32_t groups);
    // A waiting receive gives up after this long. Answers 0 or errno.
    [[nodiscard]] int setReceiveTimeout(int milliseconds) const;
    int fd() const { return fd_.get(); }

    // Sends one request to the kernel. Answers 0 or errno.
    [[nodiscard]] int send(std::span<const std::byte> message) const;
    // Receives one datagram from the kernel; datagrams from other senders are
    // dropped unread. `wait` false answers EAGAIN at once when none is queued.
    Received receive(std::span<std::byte> buffer, bool wait) const;

private:
    UniqueFd fd_;
};

}  // namespace platform
