#include "Platform/Linux/Private/CommandOutput.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "Platform/Foundation/UniqueFd.h"

extern char** environ;

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
    UniqueFd read;
    UniqueFd write;
};

std::optional<Pipe> makePipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// The child's standard output is the pipe; input and error are /dev/null.
std::optional<pid_t> spawn(const std::vector<std::string>& argv, int output) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return std::nullopt;
    return pid;
}

// Reads until end of file; false when the deadline passes first.
bool readAll(int fd, Clock::time_point deadline, std::string& text) {
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd watched{fd, POLLIN, 0};
        const int ready = poll(&watched, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

// A child that closed its output may still linger; past the deadline it is killed.
int waitFor(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) return status;
        if (Clock::now() >= deadline) break;
        usleep(1000);
    }
    kill(pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return status;
}

}  // namespace

std::optional<std::string> CommandOutput::run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    if (argv.empty()) return std::nullopt;
    auto channel = makePipe();
    if (!channel) return std::nullopt;
    const auto pid = spawn(argv, channel->write.get());
    channel->write.reset();
    if (!pid) return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    std::string text;
    const bool finished = readAll(channel->read.get(), deadline, text);
    const int status = waitFor(*pid, finished ? deadline : Clock::now());
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

}  // namespace platform
