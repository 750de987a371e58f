#include "tests/support/ShellCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "Platform/Foundation/UniqueFd.h"
#include "tests/support/ChildProcess.h"

namespace tessivar::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds remaining(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

// Reads until the command closes its output; false when the deadline came first.
bool readAll(int fd, Clock::time_point deadline, std::string& output) {
    char buffer[4096];
    while (true) {
        pollfd entry{fd, POLLIN, 0};
        int ready = poll(&entry, 1, static_cast<int>(remaining(deadline).count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return true;
        output.append(buffer, static_cast<size_t>(count));
    }
}

}  // namespace

ShellCommandResult runShellCommand(const std::string& command, std::chrono::milliseconds timeout) {
    ShellCommandResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        result.output = "pipe failed";
        return result;
    }
    platform::UniqueFd readEnd(fds[0]);
    platform::UniqueFd writeEnd(fds[1]);
    ChildProcess child({"/bin/sh", "-c", command}, {.outputFd = writeEnd.get(), .passedFd = -1, .environment = {}});
    // Only the command may hold the pipe open, or reading would never see its end.
    writeEnd.reset();
    if (!child.started()) {
        result.output = child.failure();
        return result;
    }
    auto deadline = Clock::now() + timeout;
    bool closed = readAll(readEnd.get(), deadline, result.output);
    readEnd.reset();
    std::optional<int> status = closed ? child.waitFor(remaining(deadline)) : std::nullopt;
    if (!status) {
        result.timedOut = true;
        child.terminate(std::chrono::seconds(1));
        return result;
    }
    if (WIFEXITED(*status)) result.exitCode = WEXITSTATUS(*status);
    return result;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::optional<std::string> liveProcessName(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, command, state;
    if (!(stat >> pidField >> command >> state) || state == "Z" || state == "X") return std::nullopt;
    // "(name)"; a name with spaces is not one the tests start.
    return command.size() > 2 ? command.substr(1, command.size() - 2) : command;
}

}  // namespace tessivar::testing
