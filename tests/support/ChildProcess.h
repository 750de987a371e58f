#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tessivar::testing {

// A process a test starts and must not leave behind: it runs in a process
// group of its own, gets SIGKILL if the thread that started it dies (a crashed
// or killed test leaves no server running), and is ended by the destructor.
class ChildProcess {
public:
    struct Options {
        int outputFd = -1;                     // stdout, and stderr unless errorFd says otherwise; /dev/null when -1
        int passedFd = -1;                     // handed to the child as fd 3 when not -1
        std::vector<std::string> environment;  // "NAME=value", replacing or adding to ours
        int errorFd = -1;                      // stderr apart from stdout; follows outputFd when -1
    };

    // Starts `argv[0]`, looked up in PATH; `failure()` says why when it could not.
    ChildProcess(const std::vector<std::string>& argv, Options options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The path of `name` in PATH, empty when it is not there.
    static std::string findProgram(const std::string& name);

    bool started() const { return pid_ > 0; }
    const std::string& failure() const { return failure_; }
    pid_t pid() const { return pid_; }

    // The wait status once the process has ended within `timeout`.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);
    // SIGTERM to the whole group, SIGKILL after `grace`; answers the wait status.
    int terminate(std::chrono::milliseconds grace);
    bool hasExited() const { return status_.has_value(); }

private:
    std::optional<int> reap(int flags);

    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string failure_;
};

}  // namespace tessivar::testing
