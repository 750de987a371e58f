#include "Tessivar/WindowDragGesture.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tessivar {

WindowDragGesture::WindowDragGesture(QWidget* surface) : QObject(surface), surface_(surface) {
    surface->installEventFilter(this);
}

bool WindowDragGesture::eventFilter(QObject* watched, QEvent* event) {
    if (watched != surface_) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: return pressed(*static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove: return moved(*static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        pressedAt_.reset();
        dragOffset_.reset();
        moveDue_ = false;
        return false;
    default: return false;
    }
}

// The press is taken, so that the moves with the button held come here.
bool WindowDragGesture::pressed(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return false;
    pressedAt_ = event.globalPosition().toPoint();
    dragOffset_.reset();
    moveDue_ = false;
    return true;
}

bool WindowDragGesture::moved(const QMouseEvent& event) {
    const QPoint at = event.globalPosition().toPoint();
    if (dragOffset_) {
        surface_->window()->move(at - *dragOffset_);
        return true;
    }
    if (!pressedAt_ || !(event.buttons() & Qt::LeftButton)) return false;
    if ((at - *pressedAt_).manhattanLength() < kMoveThreshold || moveDue_) return true;
    // A release away from the last pointer position comes as a move with the
    // button still held and then the release, both from one event: the move
    // starts once that event is over, and only if the button is still down.
    moveDue_ = true;
    QMetaObject::invokeMethod(
        this, [this, at] { startMove(at); }, Qt::QueuedConnection);
    return true;
}

// The window manager moves the window where there is one; without one the
// window follows the pointer, holding it where it was pressed.
void WindowDragGesture::startMove(const QPoint& at) {
    if (!moveDue_ || !pressedAt_) return;
    moveDue_ = false;
    const QPoint pressedAt = *pressedAt_;
    pressedAt_.reset();
    QWidget* window = surface_->window();
    QWindow* handle = window->windowHandle();
    if (handle && handle->startSystemMove()) return;
    dragOffset_ = pressedAt - window->pos();
    window->move(at - *dragOffset_);
}

}  // namespace tessivar
