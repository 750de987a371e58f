#pragma once
#include <string>
#include <string_view>

namespace hotkeys {

// The package's user-facing texts by key, in the application's language
// (Simplified Chinese). An unknown key reads as the key itself, so a missing
// text shows up on screen instead of vanishing.
std::string localizedString(std::string_view key);

}  // namespace hotkeys
