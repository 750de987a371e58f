#pragma once
#include <string>

namespace tessivar::testing {

// What a person does at a test X server, through the same tools they would
// use; each answers the tool's output when it failed, empty when it worked.

// Presses a combination ("alt+2") from another client, with xdotool.
std::string pressKeys(const std::string& displayName, const std::string& keys);
// Runs xrandr with `arguments` (already shell words: "--output DUMMY1 --off").
std::string runXrandr(const std::string& displayName, const std::string& arguments);

}  // namespace tessivar::testing
