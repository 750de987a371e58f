#include "Tessivar/Settings/SettingsWindowController.h"

#include <QBoxLayout>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>
#include <algorithm>

#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AppLog.h"
#include "Tessivar/ChineseFace.h"
#include "Tessivar/Settings/Private/LockedSplitter.h"
#include "Tessivar/Settings/Private/SettingsStyle.h"
#include "Tessivar/Settings/Private/SettingsView.h"
#include "Tessivar/WindowDragGesture.h"

namespace tessivar {

namespace {

std::optional<int> screenIndex(const QScreen* screen) {
    const int index = QGuiApplication::screens().indexOf(const_cast<QScreen*>(screen));
    if (index < 0) return std::nullopt;
    return index;
}

}  // namespace

SettingsWindowController::SettingsWindowController(SettingsEnvironment environment)
    : defaults_(environment.defaults),
      presenter_(environment.windowSpaces),
      window_(std::make_unique<QWidget>(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                     Qt::WindowMinimizeButtonHint | Qt::WindowStaysOnTopHint)) {
    window_->setWindowTitle(SettingsStyle::text(kTitle));
    window_->setFont(withChineseFace(window_->font()));
    window_->setPalette(SettingsStyle::readable(window_->palette()));
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new SettingsView(std::move(environment));
    // The panes keep their size; a window made smaller to fit a display scrolls them.
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    // Scrolled by wheel and bars only: the keyboard stays with the controls.
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidget(view_);
    layout->addWidget(scroller);
    window_->setFixedSize(SettingsView::kWidth, SettingsView::kHeight);
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        fitTo(primary->availableGeometry());
        window_->move(centredOrigin(primary->availableGeometry(), framed(window_->size())));
    }
    // The window moves when dragged by its background, as its title bar would;
    // presses the controls take never reach it.
    new WindowDragGesture(window_.get());
    lockSplitView();
}

SettingsWindowController::~SettingsWindowController() = default;

// A settings file edited by hand since the last show is read first, so the
// panes show the edit and the next change keeps it.
void SettingsWindowController::show() {
    defaults_.synchronize();
    moveToMouseScreen();
    presenter_.present(*window_, WindowPresenter::Desktops::current);
    lockSplitView();
}

std::optional<QPoint> SettingsWindowController::placement(int windowScreen, std::optional<int> mouseScreen,
                                                          const QRect& available, const QSize& window) {
    if (!mouseScreen || *mouseScreen == windowScreen) return std::nullopt;
    return centredOrigin(available, window);
}

// A window larger than the area (a small display, or a large scale) would be
// centred past its top-left, taking the title bar and close button off the
// screen: it overhangs to the right and below instead.
QPoint SettingsWindowController::centredOrigin(const QRect& available, const QSize& window) {
    return {std::max(available.x(), available.x() + (available.width() - window.width()) / 2),
            std::max(available.y(), available.y() + (available.height() - window.height()) / 2)};
}

QSize SettingsWindowController::fittedSize(const QRect& available, const QMargins& frame) {
    return QSize(SettingsView::kWidth, SettingsView::kHeight).boundedTo(available.size().shrunkBy(frame));
}

// Before the window manager has framed the window its frame is unknown: room
// for a title bar and borders is kept.
QMargins SettingsWindowController::frameMargins() const {
    const QRect frame = window_->frameGeometry();
    const QRect inner = window_->geometry();
    if (frame == inner) return kUnframedAllowance;
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

QSize SettingsWindowController::framed(const QSize& window) const { return window.grownBy(frameMargins()); }

void SettingsWindowController::fitTo(const QRect& available) {
    window_->setFixedSize(fittedSize(available, frameMargins()));
}

void SettingsWindowController::moveToMouseScreen() {
    const QScreen* mouse = QGuiApplication::screenAt(QCursor::pos());
    const QScreen* current = QGuiApplication::screenAt(window_->geometry().center());
    if (const QScreen* target = mouse ? mouse : current) fitTo(target->availableGeometry());
    const auto origin = placement(screenIndex(current).value_or(-1), mouse ? screenIndex(mouse) : std::nullopt,
                                  mouse ? mouse->availableGeometry() : QRect(), framed(window_->size()));
    if (origin) window_->move(*origin);
}

LockedSplitter* SettingsWindowController::findSplitView(QWidget* view) {
    if (auto* splitter = qobject_cast<LockedSplitter*>(view)) return splitter;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget) continue;
        if (auto* found = findSplitView(widget)) return found;
    }
    return nullptr;
}

void SettingsWindowController::lockSplitView() {
    LockedSplitter* splitter = findSplitView(window_.get());
    if (!splitter || splitter->isLocked()) return;
    splitter->lock();
    appLog("✓ 成功将 NSSplitView 动态子类化为 LockedSplitView，安全锁定拖拽交互");
}

}  // namespace tessivar
