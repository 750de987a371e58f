#include "Tessivar/Onboarding/WindowDragGesture.h"

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
        case QEvent::MouseButtonPress:
            return pressed(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseMove:
            return moved(*static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            pressedAt_.reset();
            dragOffset_.reset();
            return false;
        default:
            return false;
    }
}

// The press is taken, so that the moves with the button held come here.
bool WindowDragGesture::pressed(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return false;
    pressedAt_ = event.globalPosition().toPoint();
    dragOffset_.reset();
    return true;
}

bool WindowDragGesture::moved(const QMouseEvent& event) {
    const QPoint at = event.globalPosition().toPoint();
    if (dragOffset_) {
        surface_->window()->move(at - *dragOffset_);
        return true;
    }
    if (!pressedAt_ || !(event.buttons() & Qt::LeftButton)) return false;
    if ((at - *pressedAt_).manhattanLength() < kMoveThreshold) return true;
    startMove(*pressedAt_);
    if (dragOffset_) surface_->window()->move(at - *dragOffset_);
    return true;
}

// The window manager moves the window where there is one; without one the
// window follows the pointer, holding it where it was pressed.
void WindowDragGesture::startMove(const QPoint& pressedAt) {
    pressedAt_.reset();
    QWidget* window = surface_->window();
    QWindow* handle = window->windowHandle();
    if (handle && handle->startSystemMove()) return;
    dragOffset_ = pressedAt - window->pos();
}

}  // namespace tessivar
