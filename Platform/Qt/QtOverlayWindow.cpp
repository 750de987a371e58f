#include "Platform/Qt/QtOverlayWindow.h"

#include <QVBoxLayout>
#include <QWidget>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Qt/Private/QtGeometry.h"

namespace platform {
namespace {

// A tool tip is mapped override-redirect on X11: the window manager neither
// decorates it, nor lists it in the taskbar, nor hands it the focus.
constexpr Qt::WindowFlags kOverlayFlags = Qt::ToolTip | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                                          Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                                          Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;

std::unique_ptr<QWidget> makeOverlayWidget() {
    auto window = std::make_unique<QWidget>(nullptr, kOverlayFlags);
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_TransparentForMouseEvents);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return window;
}

}  // namespace

QtOverlayWindow::QtOverlayWindow(const Rect& frame) : window_(makeOverlayWidget()) { setFrame(frame); }

QtOverlayWindow::~QtOverlayWindow() = default;

Rect QtOverlayWindow::frame() const {
    return CoordinateSpace::topLeftToGlobal(QtGeometry::toRect(window_->geometry()), QtGeometry::primaryScreenHeight());
}

void QtOverlayWindow::setFrameOrigin(Point origin) { setFrame({origin, frame().size}); }

void QtOverlayWindow::orderFront() { window_->show(); }

void QtOverlayWindow::orderOut() { window_->hide(); }

bool QtOverlayWindow::isVisible() const { return window_->isVisible(); }

void QtOverlayWindow::setContentWidget(QWidget* content) {
    delete content_;
    content_ = content;
    if (!content) return;
    content->setAttribute(Qt::WA_TransparentForMouseEvents);
    content->setFocusPolicy(Qt::NoFocus);
    window_->layout()->addWidget(content);
    // Its size now rather than when the layout next runs, so it can draw before it shows.
    content->setGeometry(window_->rect());
}

QWidget* QtOverlayWindow::widget() const { return window_.get(); }

void QtOverlayWindow::setFrame(const Rect& frame) {
    const Rect topLeft = CoordinateSpace::globalToTopLeft(frame, QtGeometry::primaryScreenHeight());
    const QRect geometry = QtGeometry::toRoundedQRect(topLeft);
    // A follow tick while the pointer stands still asks the window system for nothing.
    if (geometry == window_->geometry()) return;
    window_->setGeometry(geometry);
}

}  // namespace platform
