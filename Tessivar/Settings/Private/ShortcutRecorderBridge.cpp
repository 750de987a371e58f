#include "Tessivar/Settings/Private/ShortcutRecorderBridge.h"

#include "Hotkeys/Hotkeys.h"
#include "Platform/Foundation/MainQueue.h"

namespace tessivar {

ShortcutRecorderBridge::ShortcutRecorderBridge(hotkeys::RecorderCocoa* recorder,
                                               platform::NotificationCenter& notifications,
                                               platform::MainQueue& mainQueue)
    : QObject(recorder), recorder_(recorder), mainQueue_(mainQueue) {
    recorderActiveObserver_ =
        notifications.addObserver(hotkeys::kRecorderActiveStatusDidChange, &mainQueue,
                                  [self = QPointer(this)](const platform::Notification& notification) {
                                      if (self) self->recorderActiveStatusChanged(notification);
                                  });
    shortcutObserver_ = notifications.addObserver(hotkeys::kShortcutByNameDidChange, &mainQueue,
                                                  [self = QPointer(this)](const platform::Notification& notification) {
                                                      if (self) self->shortcutChanged(notification);
                                                  });
}

// The recorder shows the emptied shortcut by itself; while it records, the
// prompt comes back in its place.
void ShortcutRecorderBridge::shortcutChanged(const platform::Notification& notification) {
    const auto name = hotkeys::changedName(notification);
    if (!recorder_ || !name || name->rawValue != recorder_->shortcutName().rawValue) return;
    if (recorder_->isRecording() && recorder_->stringValue().isEmpty()) showRecordingPrompt();
}

// A start is answered one turn later, once focus has settled on the recorder
// that started; every other value (false, none, not a Boolean) is an end.
void ShortcutRecorderBridge::recorderActiveStatusChanged(const platform::Notification& notification) {
    const auto& info = notification.userInfo;
    const bool active =
        info.is_object() && info.contains("isActive") && info["isActive"].is_boolean() && info["isActive"].get<bool>();
    if (!active) return showStoredShortcut();
    mainQueue_.async([self = QPointer(this)] {
        if (self) self->showRecordingPrompt();
    });
}

void ShortcutRecorderBridge::showRecordingPrompt() {
    if (!recorder_ || !recorder_->hasFocus()) return;
    recorder_->setStringValue(QString::fromUtf8(kRecordingPrompt));
}

void ShortcutRecorderBridge::showStoredShortcut() {
    if (!recorder_) return;
    const auto shortcut = hotkeys::getShortcut(recorder_->shortcutName());
    recorder_->setStringValue(shortcut ? QString::fromStdString(shortcut->description()) : QString());
}

}  // namespace tessivar
