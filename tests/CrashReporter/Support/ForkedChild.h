#pragma once
#include <chrono>
#include <functional>
#include <string>

namespace tessivar::testing {

// What a forked child did: whether it ended in time, its wait status, and what
// it wrote to the descriptor it was given.
struct ForkedChildResult {
    bool ended = false;
    int status = 0;
    std::string output;

    bool exitedWith(int code) const;
    bool killedBy(int signal) const;
};

// Runs `body` in a forked child, which exits with body's answer unless it dies
// first (crash tests let it die for real). The child writes what the parent
// should see to `outputFd`. A child still running after `timeout` is killed.
ForkedChildResult runForked(const std::function<int(int outputFd)>& body, std::chrono::milliseconds timeout);

}  // namespace tessivar::testing
