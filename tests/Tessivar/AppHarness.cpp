#include "AppHarness.h"

namespace tessivar::testing {

AppHarness::AppHarness() : defaults(directory.path() / "defaults.json") {
    useScreens({platform::makeScreen(11, "Left", {{0, 0}, {1920, 1080}}),
                platform::makeScreen(22, "Right", {{1920, 0}, {1920, 1080}}, 2.0)});
    desktop.mouse = {100, 100};
    app = TessivarApp::create({defaults, notifications, queue, desktop, hider, overlays, analytics,
                               [this] { ++terminations; }, &services, &services, &services});
}

}  // namespace tessivar::testing
