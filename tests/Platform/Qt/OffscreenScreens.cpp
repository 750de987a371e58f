#include "OffscreenScreens.h"

#include <cstdlib>
#include <string>

namespace platform::testing {

void selectOffscreenScreens() {
    // Overrides whatever the caller's session uses: tests never touch a real display.
    const std::string platform = std::string("offscreen:configfile=") + TESSIVAR_QT_SCREENS_CONFIG;
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
}

}  // namespace platform::testing
