#include "tests/support/XorgDummyServer.h"

#include <algorithm>

#include "tests/support/ShellCommand.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/XServerProcess.h"

namespace tessivar::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kLayoutTimeout = 30s;
constexpr auto kMonitorsTimeout = 5s;

// Mirrors xorg_flags in xorg-dummy.sh: private, no TCP, hands off the VTs.
std::vector<std::string> xorgCommandLine(const std::string& displayName, const std::filesystem::path& directory) {
    return {"Xorg",     displayName,
            "-config",  (directory / "xorg.conf").string(),
            "-logfile", (directory / "xorg.log").string(),
            "-noreset", "-nolisten",
            "tcp",      "-novtswitch",
            "-sharevts"};
}

// RandR lists the primary monitor first and the others in output order.
std::vector<MonitorGeometry> primaryThenSorted(std::vector<MonitorGeometry> monitors) {
    if (monitors.size() > 1) std::sort(monitors.begin() + 1, monitors.end());
    return monitors;
}

std::string describe(const std::vector<MonitorGeometry>& monitors) {
    std::string text;
    for (const auto& monitor : monitors) text += (text.empty() ? "" : " ") + monitor.toString();
    return text.empty() ? "no monitors" : text;
}

}  // namespace

XorgDummyServer::XorgDummyServer() = default;

XorgDummyServer::~XorgDummyServer() = default;

bool XorgDummyServer::isRunning() const { return server_ && server_->isRunning(); }

int XorgDummyServer::pid() const { return server_ ? server_->pid() : -1; }

const std::string& XorgDummyServer::displayName() const {
    static const std::string none;
    return server_ ? server_->displayName() : none;
}

std::filesystem::path XorgDummyServer::scriptPath() { return TESSIVAR_XORG_DUMMY_SCRIPT; }

platform::Failure XorgDummyServer::start(const std::vector<MonitorGeometry>& monitors) {
    if (isRunning()) return "a server is already running on " + displayName();
    server_ = std::make_unique<XServerProcess>("tessivar-xorg");
    std::error_code failure;
    std::filesystem::copy_file(TESSIVAR_XORG_DUMMY_CONF, server_->directory() / "xorg.conf", failure);
    platform::Failure error;
    if (failure) error = std::string("cannot copy ") + TESSIVAR_XORG_DUMMY_CONF + ": " + failure.message();
    if (!error) error = server_->start(xorgCommandLine);
    if (!error) error = setMonitors(monitors);
    if (error) stop();
    return error;
}

platform::Failure XorgDummyServer::setMonitors(const std::vector<MonitorGeometry>& monitors) {
    if (!isRunning()) return std::string("no server is running");
    std::string command = shellQuoted(scriptPath()) + " layout " + displayName();
    for (const auto& monitor : monitors) command += " " + shellQuoted(monitor.toString());
    ShellCommandResult result = runShellCommand(command, kLayoutTimeout);
    if (result.timedOut) return std::string("xorg-dummy.sh layout timed out");
    if (!result.succeeded()) return "xorg-dummy.sh layout failed: " + result.output;
    return waitForMonitors(monitors);
}

platform::Failure XorgDummyServer::waitForMonitors(const std::vector<MonitorGeometry>& monitors) const {
    auto wanted = primaryThenSorted(monitors);
    std::vector<MonitorGeometry> current;
    auto matches = [&] {
        current = primaryThenSorted(this->monitors());
        return current == wanted;
    };
    if (waitUntil(matches, kMonitorsTimeout)) return std::nullopt;
    return "RandR reports " + describe(current) + " instead of " + describe(wanted);
}

std::vector<MonitorGeometry> XorgDummyServer::monitors() const {
    if (!isRunning()) return {};
    return X11Observer(displayName()).monitors();
}

void XorgDummyServer::stop() { server_.reset(); }

}  // namespace tessivar::testing
