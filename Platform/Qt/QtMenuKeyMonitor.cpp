#include "Platform/Qt/QtMenuKeyMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

#include "Platform/HotKeys/NativeKeyTranslator.h"

namespace platform {

QtMenuKeyMonitor::QtMenuKeyMonitor(NativeKeyTranslator& keys, QObject* parent) : QObject(parent), keys_(keys) {}

QtMenuKeyMonitor::~QtMenuKeyMonitor() { stop(); }

void QtMenuKeyMonitor::setCallback(Callback callback) { callback_ = std::move(callback); }

void QtMenuKeyMonitor::start() {
    if (running_ || !QCoreApplication::instance()) return;
    running_ = true;
    // Read when a menu opens: the keymap may have changed since the last one.
    keys_.refresh();
    heldKeys_.clear();
    lastRelease_.reset();
    QCoreApplication::instance()->installEventFilter(this);
}

void QtMenuKeyMonitor::stop() {
    if (!running_) return;
    running_ = false;
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

bool QtMenuKeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease) return false;
    if (!qobject_cast<QMenu*>(watched)) return false;
    const auto& key = *static_cast<const QKeyEvent*>(event);
    if (!press) return answerRelease(key);
    // Option (Alt) begins the hot keys, and a menu whose style navigates with
    // Alt closes at its press, dropping the grab before the rest of the
    // combination arrives: the menu never gets a bare Alt while we run.
    return answerPress(key) || key.key() == Qt::Key_Alt;
}

bool QtMenuKeyMonitor::answerPress(const QKeyEvent& event) {
    const quint32 scanCode = event.nativeScanCode();
    if (const auto held = heldKeys_.find(scanCode); held != heldKeys_.end()) return held->second.consumed;
    // Repeats of a key held since before the menu opened.
    if (event.isAutoRepeat()) return false;
    // The server repeats a held key as a release and a press at the same
    // moment. Qt tells them apart only when both have arrived together; when
    // the release came alone it reported it as real, so this press is the
    // same hold going on, and its release has been told already.
    if (lastRelease_ && lastRelease_->scanCode == scanCode && lastRelease_->timestamp == event.timestamp()) {
        heldKeys_[scanCode] = HeldKey{lastRelease_->pressConsumed, true};
        return lastRelease_->pressConsumed;
    }
    const bool consumed = ask(kEventRawKeyDown, event);
    heldKeys_[scanCode] = HeldKey{consumed, false};
    return consumed;
}

bool QtMenuKeyMonitor::answerRelease(const QKeyEvent& event) {
    const quint32 scanCode = event.nativeScanCode();
    const auto held = heldKeys_.find(scanCode);
    if (event.isAutoRepeat()) return held != heldKeys_.end() && held->second.consumed;
    // A key pressed before the menu opened (the Option of a shortcut).
    if (held == heldKeys_.end()) return ask(kEventRawKeyUp, event);
    const HeldKey key = held->second;
    heldKeys_.erase(held);
    lastRelease_ = Release{scanCode, event.timestamp(), key.consumed};
    return key.releaseReported ? key.consumed : ask(kEventRawKeyUp, event);
}

bool QtMenuKeyMonitor::ask(std::uint32_t kind, const QKeyEvent& event) const {
    // A copy: the callback may replace itself or stop the monitor while it runs.
    const Callback callback = callback_;
    if (!callback) return false;
    const auto keyCode = keys_.carbonKeyCode(event.nativeScanCode());
    if (!keyCode) return false;
    KeyboardEvent raw;
    raw.kind = kind;
    raw.keyCode = *keyCode;
    raw.modifiers = keys_.carbonModifiers(event.nativeModifiers());
    return callback(raw);
}

}  // namespace platform
