#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Failure.h"

namespace tessivar::testing {

class ChildProcess;

// An X server run as a child process on a display it finds free. The server is
// started with -displayfd, so it says itself when it accepts clients; a start
// is bounded, and stop() or the destructor ends the server together with the
// lock and socket a killed server would leave behind.
class XServerProcess {
public:
    // The server's command line for a display name (":57") and the private
    // directory its files go in; -displayfd is added.
    using CommandLine =
        std::function<std::vector<std::string>(const std::string& displayName, const std::filesystem::path& directory)>;

    // Makes the private directory `prefix`.XXXXXX in the temporary directory.
    explicit XServerProcess(const std::string& prefix);
    ~XServerProcess();
    XServerProcess(const XServerProcess&) = delete;
    XServerProcess& operator=(const XServerProcess&) = delete;

    // Empty when the directory could not be made.
    const std::filesystem::path& directory() const { return directory_; }

    // Answers why not when no server came up; `environment` adds "NAME=value"s.
    platform::Failure start(const CommandLine& commandLine, const std::vector<std::string>& environment = {});
    void stop();

    bool isRunning() const { return process_ != nullptr && !displayName_.empty(); }
    // ":N" while running, empty otherwise.
    const std::string& displayName() const { return displayName_; }
    // The server's process id while running, -1 otherwise.
    int pid() const;

private:
    enum class Launch { Ready, DisplayTaken, Failed };

    Launch launch(int displayNumber, const CommandLine& commandLine, const std::vector<std::string>& environment,
                  std::string& error);
    std::string outputTail() const;
    void removeLeftovers() const;

    std::filesystem::path directory_;
    std::unique_ptr<ChildProcess> process_;
    int displayNumber_ = -1;
    std::string displayName_;
};

}  // namespace tessivar::testing
