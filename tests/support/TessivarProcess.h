#pragma once
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
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

    // `defaults` is the settings file the program starts with (JSON text), with
    // the onboarding marked as done unless the text says otherwise.
    TessivarProcess(const std::string& binary, const std::string& displayName, const std::string& defaults = {});
    // The program starts with whatever `prepare` put in its settings folder: a
    // first launch when it put nothing there.
    TessivarProcess(const std::string& binary, const std::string& displayName, const SettingsPreparer& prepare);
    // A home folder the test keeps, so that a later launch finds the settings and data
    // an earlier one left; programs running at once in one home keep logs apart.
    struct Home {
        // `umask` is the program's file-mode mask. With one given, nothing of its
        // settings is made beforehand: every folder it uses is as it made it.
        explicit Home(std::filesystem::path folder, std::string log = "tessivar.log",
                      std::optional<mode_t> mask = std::nullopt)
            : path(std::move(folder)), logName(std::move(log)), umask(mask) {}

        std::filesystem::path path;
        std::string logName;
        std::optional<mode_t> umask;
    };
    TessivarProcess(const std::string& binary, const std::string& displayName, const Home& home);

    bool started() const { return child_->started(); }
    // The log lines so far.
    std::vector<std::string> lines() const;
    // How many of them contain `text`.
    long countLines(const std::string& text) const;
    // Waits until a line contains `text` (bounded); answers whether it came.
    bool waitForLine(const std::string& text, std::chrono::milliseconds timeout) const;
    // SIGSTOP: every thread of the program stands still, as on a machine too
    // busy to run it, until resume() (SIGCONT).
    void pause();
    void resume();
    // SIGTERM, then the wait status (SIGKILL after a grace period).
    int terminate();
    // The wait status once the program ended by itself within `timeout`.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout) { return child_->waitFor(timeout); }
    // The folder that holds the program's "defaults.json".
    std::filesystem::path settingsFolder() const;

private:
    void start(const std::string& binary, const std::string& displayName);

    std::optional<platform::TemporaryDirectory> ownHome_;
    std::filesystem::path home_;
    std::string logName_ = "tessivar.log";
    std::optional<mode_t> umask_;
    std::unique_ptr<ChildProcess> child_;
};

}  // namespace tessivar::testing
