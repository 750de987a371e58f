#include "Tessivar/Settings/Private/PaneHistory.h"

#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AppDefaults.h"

namespace tessivar {

void PaneHistory::navigate(SettingsPane pane) {
    if (selectedPane() == pane) return;
    entries_.resize(index_ + 1);
    entries_.push_back(pane);
    index_ = entries_.size() - 1;
}

void PaneHistory::goBack() {
    if (!canGoBack()) return;
    --index_;
}

void PaneHistory::goForward() {
    if (!canGoForward()) return;
    ++index_;
}

void PaneHistory::handleAppear(platform::UserDefaults& defaults) {
    if (!defaults.boolValue(AppDefaults::shouldShowShortcutsPaneOnOpen)) return;
    defaults.set(AppDefaults::shouldShowShortcutsPaneOnOpen, false);
    entries_ = {SettingsPane::general, SettingsPane::shortcuts};
    index_ = 1;
}

}  // namespace tessivar
