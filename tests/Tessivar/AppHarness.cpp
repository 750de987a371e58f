#include "AppHarness.h"

#include <algorithm>

namespace tessivar::testing {

AppHarness::AppHarness()
    : defaults(directory.path() / "defaults.json"),
      cursorHiding({defaults, desktop, hider, queue}),
      effects({defaults, desktop, queue, overlays, cursorHiding}),
      jumps({defaults, desktop, cursorHiding, effects}) {
    useScreens({platform::makeScreen(11, "Left", {{0, 0}, {1920, 1080}}),
                platform::makeScreen(22, "Right", {{1920, 0}, {1920, 1080}}, 2.0)});
    desktop.mouse = {100, 100};
    app = TessivarApp::create({defaults, notifications, queue, desktop, jumps, cursorHiding, analytics,
                               [this] { ++terminations; }, &services, &services, &services,
                               [this] { launchLinesAtPrepare = countLogged("Tessivar 已启动"); }});
}

long AppHarness::countLogged(const std::string& text) const {
    const auto lines = logs.lines();
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

}  // namespace tessivar::testing
