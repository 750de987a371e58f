#include "Hotkeys/Private/LocalizedStrings.h"

#include <algorithm>
#include <array>
#include <utility>

namespace hotkeys {

namespace {
constexpr std::array<std::pair<std::string_view, std::string_view>, 1> kStrings{{
    {"space_key", "空格"},
}};
}  // namespace

std::string localizedString(std::string_view key) {
    const auto it =
        std::find_if(kStrings.begin(), kStrings.end(), [&](const auto& entry) { return entry.first == key; });
    return std::string(it == kStrings.end() ? key : it->second);
}

}  // namespace hotkeys
