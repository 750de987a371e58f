#include "Tessivar/Settings/SettingsWindowController.h"

#include <QBoxLayout>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AppLog.h"
#include "Tessivar/ChineseFace.h"
#include "Tessivar/WindowDragGesture.h"
#include "Tessivar/Settings/Private/LockedSplitter.h"
#include "Tessivar/Settings/Private/SettingsStyle.h"
#include "Tessivar/Settings/Private/SettingsView.h"

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
    layout->addWidget(view_);
    window_->setFixedSize(SettingsView::kWidth, SettingsView::kHeight);
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        window_->move(centredOrigin(primary->availableGeometry(), window_->size()));
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

void SettingsWindowController::moveToMouseScreen() {
    const QScreen* mouse = QGuiApplication::screenAt(QCursor::pos());
    const QScreen* current = QGuiApplication::screenAt(window_->geometry().center());
    const auto origin = placement(screenIndex(current).value_or(-1), mouse ? screenIndex(mouse) : std::nullopt,
                                  mouse ? mouse->availableGeometry() : QRect(), window_->size());
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
