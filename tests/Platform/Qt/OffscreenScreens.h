#pragma once

namespace platform::testing {

// Selects Qt's offscreen platform with three screens (before any QApplication):
//   DP-1    primary, 1920x1080 at (0, 0)
//   DP-2    1280x1024 at (-1280, 300): left of the primary, its top 300 lower
//   HDMI-1  1920x1080 points at (1920, 0), device pixel ratio 2
void selectOffscreenScreens();

}  // namespace platform::testing
