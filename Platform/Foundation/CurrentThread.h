#pragma once
#include <execinfo.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace platform {

// Facts about the calling thread, for error reports.
class CurrentThread {
public:
    // The kernel's number for the thread (its task id).
    static std::int64_t id() { return gettid(); }
    // The return addresses of the calling thread's stack, innermost first, starting
    // with the frame that called this function; at most `maximum` of them.
    static std::vector<std::uint64_t> returnAddresses(int maximum = 256);
};

// Not inlined, so that the first address backtrace() reports is always this
// function's own, which the caller does not want.
[[gnu::noinline]] inline std::vector<std::uint64_t> CurrentThread::returnAddresses(int maximum) {
    std::vector<void*> frames(static_cast<std::size_t>(maximum) + 1);
    const int count = backtrace(frames.data(), maximum + 1);
    std::vector<std::uint64_t> addresses;
    for (int at = 1; at < count; ++at) {
        addresses.push_back(reinterpret_cast<std::uintptr_t>(frames[static_cast<std::size_t>(at)]));
    }
    return addresses;
}

}  // namespace platform
