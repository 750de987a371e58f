#include "Hotkeys/Qt/ShortcutEvents.h"

#include <QEvent>
#include <QWidget>

namespace hotkeys {

ShortcutEvents* ShortcutEvents::attach(QWidget* widget, Name name, Action action) {
    return new ShortcutEvents(widget, std::nullopt, std::move(name), std::move(action));
}

ShortcutEvents* ShortcutEvents::attach(QWidget* widget, EventType type, Name name, std::function<void()> action) {
    return new ShortcutEvents(widget, type, std::move(name), [action = std::move(action)](EventType) { action(); });
}

ShortcutEvents::ShortcutEvents(QWidget* widget, std::optional<EventType> type, Name name, Action action)
    : QObject(widget), type_(type), name_(std::move(name)), action_(std::move(action)) {
    widget->installEventFilter(this);
    if (widget->isVisible()) subscribe();
}

void ShortcutEvents::subscribe() {
    if (stream_) return;
    stream_ = type_ ? events(*type_, name_, action_) : events(name_, action_);
}

bool ShortcutEvents::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) subscribe();
    if (event->type() == QEvent::Hide) stream_.reset();
    return QObject::eventFilter(watched, event);
}

}  // namespace hotkeys
