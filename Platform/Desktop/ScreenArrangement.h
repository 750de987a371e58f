#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "Platform/Desktop/Geometry.h"

namespace platform {

// One screen as the window system toolkit reports it, before it is numbered.
struct ScreenCandidate {
    std::string connector;
    Rect frame;  // any one coordinate space shared by all candidates
    bool isPrimary = false;
};

// Numbers the displays the way the user sees them, the same for the same
// outputs at every moment: the primary first, then the others in the window
// system's output order; screens that order does not name follow in the
// toolkit's order. A screen at the same place as an earlier one mirrors it
// (one picture shown on two outputs) and is left out, so one picture has one
// number. Answers the indices of the kept candidates in display order.
std::vector<std::size_t> arrangeScreens(const std::vector<ScreenCandidate>& candidates,
                                        const std::vector<std::string>& outputOrder);

}  // namespace platform
