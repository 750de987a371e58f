#pragma once
#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace hotkeys {

// The package's user-facing texts by key, in the application's language
// (Simplified Chinese). An unknown key reads as the key itself, so a missing
// text shows up on screen instead of vanishing.
inline std::string localizedString(std::string_view key) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 1> kStrings{{
        {"space_key", "空格"},
    }};
    const auto it =
        std::find_if(kStrings.begin(), kStrings.end(), [&](const auto& entry) { return entry.first == key; });
    return std::string(it == kStrings.end() ? key : it->second);
}

}  // namespace hotkeys
