#include "tests/support/TessivarProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "BuildInfo.h"
#include "Platform/Foundation/UniqueFd.h"
#include "tests/support/WaitUntil.h"

namespace tessivar::testing {

namespace {
constexpr auto kGrace = std::chrono::seconds(20);

// The onboarding window belongs to a first launch and would stand in front of
// what a test watches, so the program starts as one that has been through it,
// unless the settings say otherwise. Text that is no JSON object is written as given.
TessivarProcess::SettingsPreparer writingDefaults(const std::string& defaults) {
    return [defaults](const std::filesystem::path& folder) {
        auto settings = defaults.empty() ? nlohmann::json::object() : nlohmann::json::parse(defaults, nullptr, false);
        if (!settings.is_object()) {
            std::ofstream(folder / "defaults.json") << defaults;
            return;
        }
        if (!settings.contains("hasCompletedOnboarding")) settings["hasCompletedOnboarding"] = true;
        std::ofstream(folder / "defaults.json") << settings.dump();
    };
}
}  // namespace

TessivarProcess::TessivarProcess(const std::string& binary, const std::string& displayName, const std::string& defaults)
    : TessivarProcess(binary, displayName, writingDefaults(defaults)) {}

TessivarProcess::TessivarProcess(const std::string& binary, const std::string& displayName,
                                 const SettingsPreparer& prepare)
    : ownHome_(std::in_place), home_(ownHome_->path()) {
    std::filesystem::create_directories(settingsFolder());
    prepare(settingsFolder());
    start(binary, displayName);
}

TessivarProcess::TessivarProcess(const std::string& binary, const std::string& displayName, const Home& home)
    : home_(home.path), logName_(home.logName), umask_(home.umask) {
    if (!umask_) std::filesystem::create_directories(settingsFolder());
    start(binary, displayName);
}

void TessivarProcess::start(const std::string& binary, const std::string& displayName) {
    const auto log = home_ / logName_;
    platform::UniqueFd fd(::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    std::filesystem::create_directories(home_ / "runtime");
    std::filesystem::permissions(home_ / "runtime", std::filesystem::perms::owner_all);
    // The child takes the mask it is forked with.
    const mode_t ownMask = umask_ ? ::umask(*umask_) : 0;
    child_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{binary},
        ChildProcess::Options{.outputFd = fd.get(),
                              .passedFd = -1,
                              .environment = {"DISPLAY=" + displayName, "QT_QPA_PLATFORM=xcb",
                                              "XDG_CONFIG_HOME=" + (home_ / "config").string(),
                                              "XDG_DATA_HOME=" + (home_ / "data").string(),
                                              "XDG_CACHE_HOME=" + (home_ / "cache").string(),
                                              "XDG_RUNTIME_DIR=" + (home_ / "runtime").string()}});
    if (umask_) ::umask(ownMask);
}

std::vector<std::string> TessivarProcess::lines() const {
    std::ifstream file(home_ / logName_);
    std::vector<std::string> result;
    for (std::string line; std::getline(file, line);) result.push_back(line);
    return result;
}

long TessivarProcess::countLines(const std::string& text) const {
    const auto all = lines();
    return std::count_if(all.begin(), all.end(),
                         [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

bool TessivarProcess::waitForLine(const std::string& text, std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return countLines(text) > 0; }, timeout, std::chrono::milliseconds(20));
}

std::filesystem::path TessivarProcess::settingsFolder() const { return home_ / "config" / TESSIVAR_BUNDLE_IDENTIFIER; }

void TessivarProcess::pause() { ::kill(child_->pid(), SIGSTOP); }

void TessivarProcess::resume() { ::kill(child_->pid(), SIGCONT); }

int TessivarProcess::terminate() {
    return child_->terminate(std::chrono::duration_cast<std::chrono::milliseconds>(kGrace));
}

}  // namespace tessivar::testing
