#pragma once
#include <chrono>
#include <string>
#include <sys/types.h>

namespace platform::testing {

// A copy of this test program started with one extra environment variable, its
// standard output captured. Nothing waits past the bound, and a child still
// running when the object goes (a failed or timed-out test) is killed.
class ChildProcess {
public:
    struct Outcome {
        std::string output;
        bool exited = false;  // false: killed at the bound, or died of a signal
        int exitCode = -1;
    };

    explicit ChildProcess(const std::string& environmentEntry);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    Outcome wait(std::chrono::milliseconds bound);

private:
    std::string readOutputUntil(std::chrono::steady_clock::time_point deadline);
    bool reapUntil(std::chrono::steady_clock::time_point deadline, int* status);
    void kill();

    pid_t pid_ = -1;
    int outputFd_ = -1;
};

}  // namespace platform::testing
