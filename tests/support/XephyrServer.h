#pragma once
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/Failure.h"

namespace tessivar::testing {

class XServerProcess;

// A nested X server shown as one window at the top-left of another server.
// Xephyr draws the nested server's pointer as the cursor of its window, so
// what the nested server does to its pointer (XFixes hiding) becomes the
// cursor a client of the outer server reads; the dummy driver's own software
// pointer is invisible to every client.
class XephyrServer {
public:
    XephyrServer();
    ~XephyrServer();
    XephyrServer(const XephyrServer&) = delete;
    XephyrServer& operator=(const XephyrServer&) = delete;

    static bool isInstalled();

    // Starts Xephyr with a `width`x`height` screen inside `hostDisplay`; answers
    // why not when it could not.
    platform::Failure start(const std::string& hostDisplay, int width, int height);

    bool isRunning() const;
    // ":N" while running, empty otherwise.
    const std::string& displayName() const;

private:
    std::unique_ptr<XServerProcess> server_;
};

}  // namespace tessivar::testing
