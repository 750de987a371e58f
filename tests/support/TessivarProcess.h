#pragma once
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/support/ChildProcess.h"

namespace tessivar::testing {

// The tessivar program running on a test X server with settings of its own;
// everything it logs goes to a file the test reads.
class TessivarProcess {
public:
    // Receives the program's settings folder, already made and empty, before the program starts.
    using SettingsPreparer = std::function<void(const std::filesystem::path& settingsFolder)>;

    // `defaults` is the settings file the program starts with (JSON text; empty: none).
    TessivarProcess(const std::string& binary, const std::string& displayName, const std::string& defaults = {});
    // The program starts with whatever `prepare` put in its settings folder.
    TessivarProcess(const std::string& binary, const std::string& displayName, const SettingsPreparer& prepare);

    bool started() const { return child_->started(); }
    // The log lines so far.
    std::vector<std::string> lines() const;
    // How many of them contain `text`.
    long countLines(const std::string& text) const;
    // Waits until a line contains `text` (bounded); answers whether it came.
    bool waitForLine(const std::string& text, std::chrono::milliseconds timeout) const;
    // SIGTERM, then the wait status (SIGKILL after a grace period).
    int terminate();
    // The folder that holds the program's "defaults.json".
    std::filesystem::path settingsFolder() const;

private:
    platform::TemporaryDirectory home_;
    std::unique_ptr<ChildProcess> child_;
};

}  // namespace tessivar::testing
