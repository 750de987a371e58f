#pragma once
#include <QObject>

#include <functional>
#include <optional>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Name.h"

class QWidget;

namespace hotkeys {

// Runs an action for each press and release of a name's global hot key for as
// long as a widget is on screen: the subscription starts when the widget is
// shown and ends when it is hidden, so a closed window hears nothing. The
// widget owns it. Uses the installed shortcut registry.
class ShortcutEvents : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void(EventType)>;

    // Every key down and key up.
    static ShortcutEvents* attach(QWidget* widget, Name name, Action action);
    // Only the events of one type.
    static ShortcutEvents* attach(QWidget* widget, EventType type, Name name, std::function<void()> action);
    // The same two, under the names a widget's own code reads best with.
    static ShortcutEvents* onShortcutEvent(QWidget* widget, Name name, Action action) {
        return attach(widget, std::move(name), std::move(action));
    }
    static ShortcutEvents* onShortcutEvent(QWidget* widget, EventType type, Name name, std::function<void()> action) {
        return attach(widget, type, std::move(name), std::move(action));
    }

    bool isSubscribed() const { return stream_ != nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ShortcutEvents(QWidget* widget, std::optional<EventType> type, Name name, Action action);
    void subscribe();

    std::optional<EventType> type_;
    Name name_;
    Action action_;
    EventStream stream_;
};

}  // namespace hotkeys
