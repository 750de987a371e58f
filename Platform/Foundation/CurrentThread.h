#pragma once
#include <cstdint>
#include <vector>

namespace platform {

// Facts about the calling thread, for error reports.
class CurrentThread {
public:
    // The kernel's number for the thread (its task id).
    static std::int64_t id();
    // The return addresses of the calling thread's stack, innermost first, starting
    // with the frame that called this function; at most `maximum` of them.
    static std::vector<std::uint64_t> returnAddresses(int maximum = 256);
};

}  // namespace platform
