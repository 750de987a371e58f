#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/Failure.h"
#include "tests/support/ChildProcess.h"

struct _XDisplay;

namespace tessivar::testing {

// An XEmbed system tray (trayer) on a test X server. The panel ends with this
// object.
//
// A tray owns the "_NET_SYSTEM_TRAY_S<screen>" selection first and announces
// it with a MANAGER client message after. A program launched between the two
// docks at once and then, at the announcement, takes its icon down and puts up
// a new window for it: a click in that gap finds no icon. So `start` answers
// only once the announcement has been seen.
class SystemTrayPanel {
public:
    // `options` go to trayer as they are (its colours: "--tint", "--alpha").
    explicit SystemTrayPanel(std::string displayName, std::vector<std::string> options = {});
    ~SystemTrayPanel();
    SystemTrayPanel(const SystemTrayPanel&) = delete;
    SystemTrayPanel& operator=(const SystemTrayPanel&) = delete;

    // Starts the tray and waits (boundedly) for its announcement; answers why not.
    platform::Failure start(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Ends the tray (the icons it held are let go).
    void stop();
    // Tells the icons to draw in `foreground` (0xRRGGBB), as a tray that follows
    // its panel's theme does: _NET_SYSTEM_TRAY_COLORS on the selection's owner
    // (trayer itself tells none).
    bool tellColours(std::uint32_t foreground) const;

private:
    bool sawAnnouncement(unsigned long selection) const;

    std::string displayName_;
    std::vector<std::string> options_;
    std::unique_ptr<ChildProcess> tray_;
    _XDisplay* display_ = nullptr;
};

}  // namespace tessivar::testing
