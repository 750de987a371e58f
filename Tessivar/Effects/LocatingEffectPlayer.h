#pragma once
#include <memory>

#include "Platform/Desktop/Geometry.h"

namespace platform {
class Desktop;
class MainQueue;
class OverlayWindow;
class RepeatingTimer;
class UserDefaults;
}  // namespace platform

namespace tessivar {

class CursorHidingEpisode;
class OverlayPresenter;

// Plays the configured locating effect in an overlay centred on where the
// pointer landed and takes the overlay away once the effect has played to its
// end, or at its time limit. Effects that overlap (quick successive jumps) are
// independent; the cursor-scale effect follows the pointer while it plays.
// Main thread only.
class LocatingEffectPlayer {
public:
    struct Services {
        platform::UserDefaults& defaults;
        platform::Desktop& desktop;
        platform::MainQueue& mainQueue;
        OverlayPresenter& overlays;
        CursorHidingEpisode& cursorHiding;
    };

    explicit LocatingEffectPlayer(Services services) : services_(services) {}

    // `screenIndex` picks the display whose pixel density the effect is drawn
    // for; `globalPoint` is the landing point in global coordinates.
    void show(int screenIndex, platform::Point globalPoint);

private:
    double backingScaleFor(int screenIndex) const;
    std::shared_ptr<platform::RepeatingTimer> follow(const std::shared_ptr<platform::OverlayWindow>& window);

    Services services_;
};

}  // namespace tessivar
