#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/Geometry.h"
#include "Platform/Desktop/Screen.h"

namespace platform {
class Desktop;
class UserDefaults;
}  // namespace platform

namespace tessivar {

class CursorHidingEpisode;
class LocatingEffectPlayer;

// Moves the pointer to another display: to the next one in display order or to
// display N, landing where it last left that display (while position memory
// is on) or on its centre, and starts the locating effect where it landed.
// Owns the remembered points, in memory only. Main thread only.
class JumpEngine {
public:
    struct Services {
        platform::UserDefaults& defaults;
        platform::Desktop& desktop;
        CursorHidingEpisode& cursorHiding;
        LocatingEffectPlayer& effects;
    };

    explicit JumpEngine(Services services) : services_(services) {}

    // Remembers where the pointer is on the display under it.
    void recordCurrentPosition();
    // Each answers whether the pointer moved.
    bool jumpToNextScreen();
    bool jumpToScreen(int index);

private:
    using Screens = std::vector<platform::Screen>;
    class HeldLog;

    // A jump's lines wait until its warp has gone out: each is a write to a
    // terminal or to a pipe another process reads, which the warp must not
    // queue behind. They come out in the order logged, before anything the
    // jump does after the warp.
    void log(std::string line);
    void writeHeldLines();

    bool moveToCentreOfOnlyScreen(const Screens& screens);
    void recordCurrentPosition(const Screens& screens);
    void recordPosition(const Screens& screens, platform::Point mouse);
    // The remembered point for a display, or its centre; logs a restore.
    platform::Point landingPoint(const platform::Screen& screen, platform::DisplayID display);
    // Moves the pointer; a refused move shows the hardware pointer again.
    bool move(platform::DisplayID display, platform::Point local, bool logRefusal);
    void playEffect(int index, platform::Point local, const platform::Rect& frame);
    bool rememberLastPosition() const;
    bool effectEnabled() const;

    Services services_;
    std::map<platform::DisplayID, platform::Point> lastCoordinates_;
    bool holdingLines_ = false;
    std::vector<std::string> heldLines_;
};

// Index of the first screen whose frame holds a global point, if any.
std::optional<std::size_t> screenIndexContaining(const std::vector<platform::Screen>& screens, platform::Point point);

}  // namespace tessivar
