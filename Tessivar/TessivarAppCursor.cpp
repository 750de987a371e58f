// Hiding the hardware pointer while the cursor-scale effect shows its enlarged copy.
#include "Platform/Desktop/CursorHider.h"
#include "Platform/Desktop/Desktop.h"
#include "Platform/Foundation/MainQueue.h"
#include "Tessivar/TessivarApp.h"

namespace tessivar {

std::vector<platform::DisplayID> TessivarApp::allDisplayIDs() const {
    std::vector<platform::DisplayID> ids;
    for (const auto& screen : env_.desktop.screens()) {
        if (screen.displayID) ids.push_back(*screen.displayID);
    }
    return ids;
}

void TessivarApp::hideHardwareCursor() {
    if (!isCursorScaleEffect()) return;
    if (cursorRestoreWorkItem_) cursorRestoreWorkItem_->cancel();
    if (!hiddenCursorDisplayIDs_.empty()) return;
    auto ids = allDisplayIDs();
    // Nothing recorded means nothing would ever be shown again, so an
    // application-level hide now would outlive the episode.
    if (ids.empty()) return;
    for (auto id : ids) env_.cursorHider.hideCursor(id);
    hiddenCursorDisplayIDs_ = std::move(ids);
    log("🙈 已在 " + std::to_string(hiddenCursorDisplayIDs_.size()) + " 个显示器上隐藏系统硬件光标");
    env_.cursorHider.hideApplicationCursor();
}

void TessivarApp::scheduleCursorRestore(double delaySeconds) {
    if (hiddenCursorDisplayIDs_.empty()) return;
    if (cursorRestoreWorkItem_) cursorRestoreWorkItem_->cancel();
    std::weak_ptr<TessivarApp> weak = weak_from_this();
    cursorRestoreWorkItem_ = std::make_shared<platform::WorkItem>([weak] {
        if (auto self = weak.lock()) self->restoreHardwareCursor();
    });
    env_.mainQueue.asyncAfter(delaySeconds, cursorRestoreWorkItem_);
}

void TessivarApp::restoreHardwareCursor() {
    if (cursorRestoreWorkItem_) cursorRestoreWorkItem_->cancel();
    cursorRestoreWorkItem_.reset();
    if (hiddenCursorDisplayIDs_.empty()) return;
    for (auto id : hiddenCursorDisplayIDs_) env_.cursorHider.showCursor(id);
    log("🙉 已恢复系统硬件光标");
    hiddenCursorDisplayIDs_.clear();
    env_.cursorHider.unhideApplicationCursor();
}

}  // namespace tessivar
