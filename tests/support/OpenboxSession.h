#pragma once
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Foundation/Failure.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/support/ChildProcess.h"

struct _XDisplay;

namespace tessivar::testing {

// A window manager (openbox) on a test X server, with four desktops, and what
// a pager reads and asks of it over a connection of its own (EWMH). The
// manager ends with this object.
class OpenboxSession {
public:
    static constexpr int kDesktops = 4;

    explicit OpenboxSession(const std::string& displayName);
    ~OpenboxSession();
    OpenboxSession(const OpenboxSession&) = delete;
    OpenboxSession& operator=(const OpenboxSession&) = delete;

    // Waits (boundedly) until the manager manages the screen with its desktops;
    // answers why not.
    platform::Failure start(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // _NET_CURRENT_DESKTOP, absent while unknown.
    std::optional<long> currentDesktop() const;
    // Asks the manager to show desktop `index` and waits until it does.
    bool switchToDesktop(long index) const;
    // _NET_WM_DESKTOP of a client window (0xFFFFFFFF: every desktop).
    std::optional<unsigned long> desktopOf(unsigned long window) const;
    // _NET_ACTIVE_WINDOW, 0 for none.
    unsigned long activeWindow() const;

private:
    std::optional<unsigned long> cardinal(unsigned long window, const char* property) const;

    std::string displayName_;
    platform::TemporaryDirectory folder_;
    std::unique_ptr<ChildProcess> manager_;
    _XDisplay* display_ = nullptr;
};

}  // namespace tessivar::testing
