#pragma once
#include <QMargins>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

#include "Tessivar/Settings/SettingsEnvironment.h"
#include "Tessivar/Settings/WindowPresenter.h"

class QPoint;
class QRect;
class QSize;
class QWidget;

namespace tessivar {

class LockedSplitter;
class SettingsView;

// The settings window: made once, on the first request, and kept for the rest
// of the run; closing only hides it, so the next request brings back the same
// window on the same pane. 620 x 400, not resizable, kept above other windows;
// on a display too small for it at its scale, as large as the display holds,
// frame included, with the panes scrolling inside, so that its title bar,
// close button and every control stay on the screen.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Tessivar 设置";

    explicit SettingsWindowController(SettingsEnvironment environment);
    ~SettingsWindowController() override;

    QWidget* settingsWindow() const { return window_.get(); }
    SettingsView* view() const { return view_; }

    // Reads a settings file edited outside, restores the window when minimised, fits it to the display
    // under the pointer, moves it to that display's centre when it sits on another one, brings it to the
    // desktop the user is on and to the front, and locks the divider.
    void show();
    // Locks the split view's divider unless it is locked already (logged once per split view).
    void lockSplitView();
    // The first split view in the window, depth first.
    static LockedSplitter* findSplitView(QWidget* view);

    // Where the window goes: its centredOrigin() in the available area of the
    // display under the pointer, or nothing when it is on that display already
    // or no display is under the pointer.
    static std::optional<QPoint> placement(int windowScreen, std::optional<int> mouseScreen, const QRect& available,
                                           const QSize& window);
    // The top-left corner that centres `window` in `available`, but never
    // above or left of it.
    static QPoint centredOrigin(const QRect& available, const QSize& window);
    // The window's size in `available` with its frame: 620 x 400, or less in
    // either direction where the area is smaller.
    static QSize fittedSize(const QRect& available, const QMargins& frame);
    // What is kept for the frame of a window not framed yet: a title bar and borders.
    static constexpr QMargins kUnframedAllowance{4, 32, 4, 4};

private:
    void moveToMouseScreen();
    void fitTo(const QRect& available);
    QMargins frameMargins() const;
    QSize framed(const QSize& window) const;

    platform::UserDefaults& defaults_;
    WindowPresenter presenter_;
    std::unique_ptr<QWidget> window_;
    SettingsView* view_ = nullptr;
};

}  // namespace tessivar
