#pragma once
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Failure.h"
#include "tests/support/MonitorGeometry.h"

namespace tessivar::testing {

class XServerProcess;

// A private Xorg server with the dummy video driver whose outputs are laid out
// as the monitors a test asks for. It uses xorg-dummy.conf and xorg-dummy.sh
// from this folder, the same files scripts use to run Tessivar without a
// display. The server, its lock and its files go away with this object.
//
//   XorgDummyServer server;
//   if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}}))
//       TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
//   setenv("DISPLAY", server.displayName().c_str(), 1);
class XorgDummyServer {
public:
    XorgDummyServer();
    ~XorgDummyServer();
    XorgDummyServer(const XorgDummyServer&) = delete;
    XorgDummyServer& operator=(const XorgDummyServer&) = delete;

    // Starts the server on a free display, waits (boundedly) until it accepts
    // clients and lays out `monitors`, the first one primary. Answers why not
    // when it could not; the server is then already stopped.
    platform::Failure start(const std::vector<MonitorGeometry>& monitors);
    // Lays the running server out anew (outputs not named are switched off) and
    // waits until RandR reports exactly `monitors`.
    platform::Failure setMonitors(const std::vector<MonitorGeometry>& monitors);
    // Ends the server and removes its files; safe to call when not running.
    void stop();

    bool isRunning() const;
    // ":N" while running, empty otherwise.
    const std::string& displayName() const;
    // The server's process id while running, -1 otherwise.
    int pid() const;
    // RandR's active monitors, primary first, read over a new connection.
    std::vector<MonitorGeometry> monitors() const;

    // xorg-dummy.sh, for scripts and tests that drive it themselves.
    static std::filesystem::path scriptPath();

private:
    platform::Failure waitForMonitors(const std::vector<MonitorGeometry>& monitors) const;

    std::unique_ptr<XServerProcess> server_;
};

}  // namespace tessivar::testing
