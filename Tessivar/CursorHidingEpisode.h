#pragma once
#include <memory>
#include <vector>

#include "Platform/Desktop/Screen.h"

namespace platform {
class CursorHider;
class Desktop;
class MainQueue;
class UserDefaults;
class WorkItem;
}  // namespace platform

namespace tessivar {

// The hardware pointer hidden while the cursor-scale effect shows its enlarged
// copy. One episode at a time: a second effect while hidden only moves the
// restore later, so every hide is balanced by exactly one show, also when a
// jump fails or the program quits. Main thread only.
class CursorHidingEpisode {
public:
    struct Services {
        platform::UserDefaults& defaults;
        platform::Desktop& desktop;
        platform::CursorHider& hider;
        platform::MainQueue& mainQueue;
    };

    explicit CursorHidingEpisode(Services services);
    ~CursorHidingEpisode();
    CursorHidingEpisode(const CursorHidingEpisode&) = delete;
    CursorHidingEpisode& operator=(const CursorHidingEpisode&) = delete;

    // Hides the pointer on every display, unless the effect is not the
    // cursor-scale one or an episode is already on; drops a pending restore.
    void hide();
    // Shows the pointer again after `delaySeconds`, replacing a pending restore.
    void scheduleRestore(double delaySeconds);
    // Shows the pointer on the displays it was hidden on, at once.
    void restore();

private:
    void cancelPendingRestore();
    std::vector<platform::DisplayID> allDisplayIDs() const;

    Services services_;
    // The displays hidden on, in screen order; empty while the pointer shows.
    std::vector<platform::DisplayID> hiddenDisplayIDs_;
    std::shared_ptr<platform::WorkItem> restoreWorkItem_;
};

}  // namespace tessivar
