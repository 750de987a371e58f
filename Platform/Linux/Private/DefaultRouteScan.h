#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {

// Reads the answer to one rtnetlink route dump, datagram by datagram, and tells
// whether it held a default route that can carry traffic: IPv4 or IPv6, a unicast
// route (not unreachable, blackhole or prohibit) outside the local table, whose
// link is up. Messages of other requests are passed over; malformed ones end the
// scan with EPROTO, never read past the datagram.
class DefaultRouteScan {
public:
    explicit DefaultRouteScan(std::uint32_t sequence) : sequence_(sequence) {}

    // Takes one datagram; answers true while the dump has more to come.
    bool feed(std::span<const std::byte> datagram);

    bool finished() const { return finished_; }
    bool foundDefaultRoute() const { return found_; }
    // 0, the kernel's errno, EPROTO for malformed input, or EINTR when the routes
    // changed during the dump and it should be asked again.
    int error() const { return error_; }

private:
    void takeMessage(std::uint16_t type, std::uint16_t flags, std::span<const std::byte> body);
    void takeRoute(std::span<const std::byte> body);
    void takeDone(std::span<const std::byte> body);
    void takeError(std::span<const std::byte> body);
    void fail(int error);

    std::uint32_t sequence_;
    bool finished_ = false;
    bool found_ = false;
    bool interrupted_ = false;
    int error_ = 0;
};

}  // namespace platform
