#pragma once
#include <array>
#include <string>

namespace tessivar {

// The eight display shortcuts' names; position i belongs to screen index i.
inline const std::array<std::string, 8>& screenJumpNames() {
    static const std::array<std::string, 8> names = {"jumpToScreen1", "jumpToScreen2", "jumpToScreen3",
                                                     "jumpToScreen4", "jumpToScreen5", "jumpToScreen6",
                                                     "jumpToScreen7", "jumpToScreen8"};
    return names;
}

}  // namespace tessivar
