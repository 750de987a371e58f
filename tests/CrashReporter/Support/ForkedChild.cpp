#include "tests/CrashReporter/Support/ForkedChild.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessivar::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Reads the child's output until it closes its end or the deadline passes.
void collectOutput(int fd, Clock::time_point deadline, std::string& output) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left)) <= 0) return;
        char buffer[4096];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) return;
        output.append(buffer, static_cast<std::size_t>(count));
    }
}

bool reapUntil(pid_t child, Clock::time_point deadline, int& status) {
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child) return true;
        if (Clock::now() >= deadline) return false;
        usleep(1000);
    }
}

}  // namespace

bool ForkedChildResult::exitedWith(int code) const { return ended && WIFEXITED(status) && WEXITSTATUS(status) == code; }

bool ForkedChildResult::killedBy(int signal) const {
    return ended && WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

ForkedChildResult runForked(const std::function<int(int outputFd)>& body, std::chrono::milliseconds timeout) {
    ForkedChildResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return result;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        _exit(body(fds[1]));
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return result;
    }
    const auto deadline = Clock::now() + timeout;
    collectOutput(fds[0], deadline, result.output);
    close(fds[0]);
    result.ended = reapUntil(child, deadline, result.status);
    if (!result.ended) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return result;
}

}  // namespace tessivar::testing
