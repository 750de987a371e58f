#include "Tessivar/CursorHidingEpisode.h"

#include "Platform/Desktop/CursorHider.h"
#include "Platform/Desktop/Desktop.h"
#include "Platform/Foundation/MainQueue.h"
#include "Tessivar/AppDefaults.h"
#include "Tessivar/AppLog.h"

namespace tessivar {

CursorHidingEpisode::CursorHidingEpisode(Services services) : services_(services) {}

// A restore still pending would run on an episode that is gone.
CursorHidingEpisode::~CursorHidingEpisode() { cancelPendingRestore(); }

std::vector<platform::DisplayID> CursorHidingEpisode::allDisplayIDs() const {
    std::vector<platform::DisplayID> ids;
    for (const auto& screen : services_.desktop.screens()) {
        if (screen.displayID) ids.push_back(*screen.displayID);
    }
    return ids;
}

void CursorHidingEpisode::cancelPendingRestore() {
    if (restoreWorkItem_) restoreWorkItem_->cancel();
}

void CursorHidingEpisode::hide() {
    if (!AppDefaults::isCursorScaleEffect(services_.defaults)) return;
    cancelPendingRestore();
    if (!hiddenDisplayIDs_.empty()) return;
    auto ids = allDisplayIDs();
    // Nothing recorded means nothing would ever be shown again, so an
    // application-level hide now would outlive the episode.
    if (ids.empty()) return;
    for (auto id : ids) services_.hider.hideCursor(id);
    hiddenDisplayIDs_ = std::move(ids);
    appLog("🙈 已在 " + std::to_string(hiddenDisplayIDs_.size()) + " 个显示器上隐藏系统硬件光标");
    services_.hider.hideApplicationCursor();
}

void CursorHidingEpisode::scheduleRestore(double delaySeconds) {
    if (hiddenDisplayIDs_.empty()) return;
    cancelPendingRestore();
    restoreWorkItem_ = std::make_shared<platform::WorkItem>([this] { restore(); });
    services_.mainQueue.asyncAfter(delaySeconds, restoreWorkItem_);
}

void CursorHidingEpisode::restore() {
    cancelPendingRestore();
    restoreWorkItem_.reset();
    if (hiddenDisplayIDs_.empty()) return;
    // The displays recorded at hide time: one unplugged meanwhile still gets its show.
    for (auto id : hiddenDisplayIDs_) services_.hider.showCursor(id);
    appLog("🙉 已恢复系统硬件光标");
    hiddenDisplayIDs_.clear();
    services_.hider.unhideApplicationCursor();
}

}  // namespace tessivar
