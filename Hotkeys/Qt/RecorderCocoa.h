#pragma once
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Hotkeys/MenuItem.h"
#include "Hotkeys/Name.h"
#include "Hotkeys/Qt/RecorderKeyDecision.h"
#include "Platform/Foundation/NotificationCenter.h"

class QKeyEvent;
class QToolButton;

namespace platform {
class NativeKeyTranslator;
}

namespace hotkeys {

class LocalEventMonitor;
class SystemShortcuts;

// Posted when a recorder starts and ends recording, with {"isActive": Bool}.
// An idle recorder whose window goes to the background posts false as well:
// read the value as a state, not a toggle.
inline constexpr const char* kRecorderActiveStatusDidChange = "Hotkeys_recorderActiveStatusDidChange";

// What a recorder works with; it outlives the recorder.
struct RecorderEnvironment {
    platform::NotificationCenter& notifications;  // the shortcut registry's center
    platform::NativeKeyTranslator& keys;          // key events in Carbon terms
    std::function<std::vector<MenuItem>()> menu;  // the application's menu, for conflicts; may be empty
    SystemShortcuts* systemShortcuts = nullptr;   // other programs' shortcuts; may be null
    // The title bar of its alerts: the host program's name. Empty leaves it
    // to Qt, which names the executable.
    std::string alertTitle;
};

// The field in which the user records the shortcut of one name. Idle it shows
// the stored shortcut (or a placeholder) and a clear button; focused (a click,
// Tab) it records: the hot keys are paused, every key press of the application
// comes here first, and the next acceptable combination becomes the name's
// shortcut. Conflicts with the application's menu or another program are
// answered with an alert on the window. Uses the installed shortcut registry.
class RecorderCocoa : public QWidget {
    Q_OBJECT
public:
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;

    static constexpr int kMinimumWidth = 130;
    static constexpr int kHeight = 24;

    // `onChange` hears what the user recorded or removed, never programmatic changes.
    RecorderCocoa(Name name, RecorderEnvironment environment, OnChange onChange = {}, QWidget* parent = nullptr);
    ~RecorderCocoa() override;

    const Name& shortcutName() const { return name_; }
    // Shows the new name's shortcut; an equal name changes nothing.
    void setShortcutName(const Name& name);

    QString stringValue() const { return text_; }
    // Replaces the shown text only (a host's prompt, or the shortcut again); the
    // clear button stays with the shortcut, shown while one is there to clear.
    void setStringValue(const QString& text);
    QString placeholderText() const { return placeholder_; }
    bool isRecording() const { return monitor_ != nullptr; }
    bool showsCancelButton() const;
    QToolButton* cancelButton() const { return cancelButton_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showStoredShortcut();
    void showText(const QString& text);
    void startRecording();
    void blur();
    void postActiveStatus(bool active);
    void observeWindow();
    bool handleMonitoredEvent(QObject* receiver, QEvent* event);
    RecorderEvent recorderEvent(QEvent* event) const;
    RecorderEvent keyDown(const QKeyEvent& key) const;
    void perform(const RecorderDecision& decision);
    void giveUpFocus();
    void takeFocus();
    void clearShortcut();
    void store(const Shortcut& shortcut);
    void showAlert(const QString& text, const QString& informative, bool offerForce,
                   std::function<void(bool forced)> done);
    RecorderLookups lookups() const;

    Name name_;
    RecorderEnvironment environment_;
    OnChange onChange_;
    QString text_;
    QString placeholder_;
    QToolButton* cancelButton_ = nullptr;
    std::unique_ptr<LocalEventMonitor> monitor_;
    platform::ObserverTokenPtr shortcutsNameChangeObserver_;
    QPointer<QWidget> observedWindow_;
    // Focus this recorder asked for itself (after an alert) is taken even when
    // it arrives with the window's activation.
    bool focusRequested_ = false;
};

}  // namespace hotkeys
