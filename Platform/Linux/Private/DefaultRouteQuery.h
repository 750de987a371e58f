#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "Platform/Linux/NetlinkSocket.h"

namespace platform {

// Asks the kernel, by a route dump over its own netlink socket, whether a default
// route that can carry traffic exists. Safe from any thread; one dump at a time.
class DefaultRouteQuery {
public:
    struct Answer {
        bool defaultRoute = false;
        int error = 0;  // errno; ETIMEDOUT when the kernel did not answer in time
    };

    // Opens the socket in the calling thread's network namespace. Answers 0 or errno.
    [[nodiscard]] int open();
    Answer ask();

private:
    Answer dumpOnce();
    int sendRequest();

    std::mutex lock_;  // guards socket_, sequence_ and buffer_
    NetlinkSocket socket_;
    std::uint32_t sequence_ = 0;
    std::vector<std::byte> buffer_;
};

}  // namespace platform
