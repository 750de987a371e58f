#include "tests/support/XServerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <deque>
#include <fstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/X11Observer.h"

namespace tessivar::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kFirstDisplay = 50;
constexpr int kDisplayCount = 150;
constexpr auto kReadyTimeout = 15s;
constexpr auto kStopGrace = 5s;
constexpr const char* kOutputFile = "server.out";

bool displayTaken(int number) {
    auto name = std::to_string(number);
    return std::filesystem::exists("/tmp/.X" + name + "-lock") || std::filesystem::exists("/tmp/.X11-unix/X" + name);
}

// Parallel test processes start at different numbers so they rarely race
// for the same display; the server's listening socket settles the races that
// remain (with -displayfd Xorg writes no lock file).
int candidateDisplay(int attempt) { return kFirstDisplay + (static_cast<int>(getpid()) + attempt) % kDisplayCount; }

// The display number the server writes once it accepts clients; -1 when it
// exited or the time ran out first. The number and its newline come in two
// writes, and the server dies if the second one finds the pipe closed.
int readAnnouncedDisplay(int fd) {
    auto deadline = std::chrono::steady_clock::now() + kReadyTimeout;
    std::string announced;
    while (announced.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) return -1;
        char buffer[32];
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0) return -1;
        announced.append(buffer, static_cast<size_t>(count));
    }
    return std::atoi(announced.c_str());
}

}  // namespace

XServerProcess::XServerProcess(const std::string& prefix) {
    auto pattern = (std::filesystem::temp_directory_path() / (prefix + ".XXXXXX")).string();
    if (mkdtemp(pattern.data())) directory_ = pattern;
}

XServerProcess::~XServerProcess() {
    stop();
    if (directory_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

platform::Failure XServerProcess::start(const CommandLine& commandLine, const std::vector<std::string>& environment) {
    if (isRunning()) return "a server is already running on " + displayName_;
    if (directory_.empty()) return std::string("cannot make a temporary directory");
    std::string error = "no free display between :" + std::to_string(kFirstDisplay) +
                        " and :" + std::to_string(kFirstDisplay + kDisplayCount - 1);
    for (int attempt = 0; attempt < kDisplayCount; ++attempt) {
        int number = candidateDisplay(attempt);
        if (displayTaken(number)) continue;
        Launch outcome = launch(number, commandLine, environment, error);
        if (outcome == Launch::Ready) return std::nullopt;
        if (outcome == Launch::Failed) break;
    }
    stop();
    return error;
}

XServerProcess::Launch XServerProcess::launch(int displayNumber, const CommandLine& commandLine,
                                              const std::vector<std::string>& environment, std::string& error) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        error = "pipe failed";
        return Launch::Failed;
    }
    std::string name = ":" + std::to_string(displayNumber);
    std::vector<std::string> argv = commandLine(name, directory_);
    argv.insert(argv.end(), {"-displayfd", "3"});
    auto outputPath = directory_ / kOutputFile;
    int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    process_ = std::make_unique<ChildProcess>(argv, ChildProcess::Options{output, ready[1], environment});
    close(output);
    close(ready[1]);
    displayNumber_ = displayNumber;
    int announced = process_->started() ? readAnnouncedDisplay(ready[0]) : -1;
    close(ready[0]);

    if (!process_->started()) {
        error = process_->failure();
        return Launch::Failed;
    }
    if (announced == displayNumber) {
        if (!X11Observer(name).isConnected()) {
            error = argv.front() + " announced " + name + " but no client can connect";
            return Launch::Failed;
        }
        displayName_ = name;
        return Launch::Ready;
    }
    bool exited = process_->waitFor(1s).has_value();
    std::string tail = outputTail();
    if (exited && tail.find("already") != std::string::npos) {
        process_.reset();
        return Launch::DisplayTaken;
    }
    // start() stops the server, and with it what a killed server leaves behind.
    error = argv.front() + (exited ? " exited: " : " did not accept clients in time: ") + tail;
    return Launch::Failed;
}

std::string XServerProcess::outputTail() const {
    std::ifstream file(directory_ / kOutputFile);
    std::deque<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (line.empty()) continue;
        lines.push_back(line);
        if (lines.size() > 8) lines.pop_front();
    }
    std::string tail;
    for (const auto& line : lines) tail += line + "\n";
    return tail;
}

int XServerProcess::pid() const { return isRunning() ? static_cast<int>(process_->pid()) : -1; }

void XServerProcess::stop() {
    if (process_) {
        int status = process_->terminate(kStopGrace);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) removeLeftovers();
        process_.reset();
    }
    displayNumber_ = -1;
    displayName_.clear();
}

// A server that had to be killed leaves the lock and socket that keep its
// display number taken.
void XServerProcess::removeLeftovers() const {
    if (displayNumber_ < 0) return;
    std::error_code ignored;
    auto name = std::to_string(displayNumber_);
    std::filesystem::remove("/tmp/.X" + name + "-lock", ignored);
    std::filesystem::remove("/tmp/.X11-unix/X" + name, ignored);
}

}  // namespace tessivar::testing
