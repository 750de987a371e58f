#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform::testing {
namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& environmentEntry) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry) environment.push_back(*entry);
    std::string entry = environmentEntry;
    environment.push_back(entry.data());
    environment.push_back(nullptr);
    std::string program = "/proc/self/exe";
    char* arguments[] = {program.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, arguments, environment.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    outputFd_ = fds[0];
}

ChildProcess::~ChildProcess() {
    kill();
    if (outputFd_ != -1) close(outputFd_);
}

ChildProcess::Outcome ChildProcess::wait(std::chrono::milliseconds bound) {
    Outcome outcome;
    if (!started()) return outcome;
    const auto deadline = Clock::now() + bound;
    outcome.output = readOutputUntil(deadline);
    int status = 0;
    if (!reapUntil(deadline, &status)) {
        kill();
        return outcome;
    }
    outcome.exited = WIFEXITED(status);
    outcome.exitCode = outcome.exited ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string ChildProcess::readOutputUntil(Clock::time_point deadline) {
    std::string output;
    pollfd readable{outputFd_, POLLIN, 0};
    while (poll(&readable, 1, millisecondsLeft(deadline)) > 0) {
        char buffer[512];
        const ssize_t count = read(outputFd_, buffer, sizeof buffer);
        if (count <= 0) break;
        output.append(buffer, static_cast<std::size_t>(count));
    }
    return output;
}

bool ChildProcess::reapUntil(Clock::time_point deadline, int* status) {
    while (true) {
        const pid_t reaped = waitpid(pid_, status, WNOHANG);
        if (reaped == pid_) {
            pid_ = -1;
            return true;
        }
        if (reaped < 0 || Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace platform::testing
