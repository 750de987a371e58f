#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "tests/support/WaitUntil.h"

namespace tessivar::testing {
namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
    std::vector<std::string> merged;
    auto overridden = [&](const std::string& entry) {
        auto name = entry.substr(0, entry.find('=') + 1);
        for (const auto& override : overrides) {
            if (override.starts_with(name)) return true;
        }
        return false;
    };
    for (char** entry = environ; *entry; ++entry) {
        if (!overridden(*entry)) merged.emplace_back(*entry);
    }
    merged.insert(merged.end(), overrides.begin(), overrides.end());
    return merged;
}

std::vector<char*> pointersTo(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (const auto& string : strings) pointers.push_back(const_cast<char*>(string.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Between fork and exec only async-signal-safe calls are allowed: a test
// process may have other threads holding malloc's locks.
[[noreturn]] void execChild(const char* program, char* const* argv, char* const* envp,
                            const ChildProcess::Options& options, pid_t parent, int devNull) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    setpgid(0, 0);
    dup2(devNull, STDIN_FILENO);
    int output = options.outputFd >= 0 ? options.outputFd : devNull;
    int error = options.errorFd >= 0 ? options.errorFd : output;
    dup2(output, STDOUT_FILENO);
    dup2(error, STDERR_FILENO);
    int firstToClose = 3;
    if (options.passedFd >= 0) {
        // dup2 onto itself would keep close-on-exec set.
        if (options.passedFd == 3) {
            fcntl(3, F_SETFD, 0);
        } else {
            dup2(options.passedFd, 3);
        }
        firstToClose = 4;
    }
    close_range(static_cast<unsigned>(firstToClose), ~0U, 0);
    execve(program, argv, envp);
    _exit(127);
}

}  // namespace

std::string ChildProcess::findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::istringstream directories(path ? path : "/usr/bin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        auto candidate = std::filesystem::path(directory) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, Options options) {
    if (argv.empty()) {
        failure_ = "nothing to run";
        return;
    }
    std::string program = findProgram(argv.front());
    if (program.empty()) {
        failure_ = argv.front() + " is not installed";
        return;
    }
    std::vector<char*> arguments = pointersTo(argv);
    std::vector<std::string> environment = mergedEnvironment(options.environment);
    std::vector<char*> environmentPointers = pointersTo(environment);

    int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        execChild(program.c_str(), arguments.data(), environmentPointers.data(), options, parent, devNull);
    }
    close(devNull);
    if (pid < 0) {
        failure_ = std::string("fork failed: ") + std::strerror(errno);
        return;
    }
    // Also from this side, so that a signal sent right away reaches the group.
    setpgid(pid, pid);
    pid_ = pid;
}

ChildProcess::~ChildProcess() {
    if (started() && !hasExited()) terminate(std::chrono::seconds(5));
}

std::optional<int> ChildProcess::reap(int flags) {
    if (status_ || !started()) return status_;
    int status = 0;
    pid_t result;
    do {
        result = waitpid(pid_, &status, flags);
    } while (result < 0 && errno == EINTR);
    if (result == pid_) status_ = status;
    return status_;
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    waitUntil([this] { return reap(WNOHANG).has_value(); }, timeout);
    return status_;
}

int ChildProcess::terminate(std::chrono::milliseconds grace) {
    if (!started()) return -1;
    if (!hasExited()) {
        kill(-pid_, SIGTERM);
        if (!waitFor(grace)) {
            kill(-pid_, SIGKILL);
            reap(0);
        }
    }
    return status_.value_or(-1);
}

}  // namespace tessivar::testing
