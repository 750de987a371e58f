#include "Platform/Foundation/CurrentThread.h"

#include <execinfo.h>
#include <unistd.h>

namespace platform {

std::int64_t CurrentThread::id() { return gettid(); }

// Not inlined, so that the first address backtrace() reports is always this
// function's own, which the caller does not want.
[[gnu::noinline]] std::vector<std::uint64_t> CurrentThread::returnAddresses(int maximum) {
    std::vector<void*> frames(static_cast<std::size_t>(maximum) + 1);
    const int count = backtrace(frames.data(), maximum + 1);
    std::vector<std::uint64_t> addresses;
    for (int at = 1; at < count; ++at) {
        addresses.push_back(reinterpret_cast<std::uintptr_t>(frames[static_cast<std::size_t>(at)]));
    }
    return addresses;
}

}  // namespace platform
