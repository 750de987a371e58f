#pragma once
#include <QObject>
#include <QPointer>

#include "Hotkeys/Qt/RecorderCocoa.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace platform {
class MainQueue;
}

namespace tessivar {

// Keeps one recorder's text in step with recording: the prompt "按下快捷键..."
// while it records with the keyboard focus (also after Delete or the clear
// button removed the shortcut and recording goes on), the stored shortcut
// again when any recorder stops. Lives as long as its recorder (it is the recorder's child).
class ShortcutRecorderBridge : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kRecordingPrompt = "按下快捷键...";

    ShortcutRecorderBridge(hotkeys::RecorderCocoa* recorder, platform::NotificationCenter& notifications,
                           platform::MainQueue& mainQueue);

private:
    void recorderActiveStatusChanged(const platform::Notification& notification);
    void shortcutChanged(const platform::Notification& notification);
    void showRecordingPrompt();
    void showStoredShortcut();

    QPointer<hotkeys::RecorderCocoa> recorder_;
    platform::MainQueue& mainQueue_;
    platform::ObserverTokenPtr recorderActiveObserver_;
    platform::ObserverTokenPtr shortcutObserver_;
};

}  // namespace tessivar
