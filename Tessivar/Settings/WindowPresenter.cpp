#include "Tessivar/Settings/WindowPresenter.h"

#include <QWidget>

#include "Platform/Desktop/WindowSpaces.h"

namespace tessivar {

// The desktop is chosen before the window is shown, so a window mapped anew
// appears there at once; activation comes once it is mapped. A window open on
// another desktop is taken off it and mapped anew here: the manager holds it
// as hidden there, which Qt reads as minimised, and asked to move and activate
// it, a manager may keep it hidden.
void WindowPresenter::present(QWidget& window, Desktops desktops) const {
    if (spaces_) {
        const auto id = static_cast<platform::NativeWindowId>(window.winId());
        if (window.isVisible() && !spaces_->isOnCurrentDesktop(id)) window.hide();
        if (desktops == Desktops::all) spaces_->showOnAllDesktops(id);
        if (desktops == Desktops::current) spaces_->moveToCurrentDesktop(id);
    }
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
    if (spaces_) spaces_->activate(static_cast<platform::NativeWindowId>(window.winId()));
}

}  // namespace tessivar
