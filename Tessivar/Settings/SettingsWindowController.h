#pragma once
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
// window on the same pane. 620 x 400, not resizable, kept above other windows.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Tessivar 设置";

    explicit SettingsWindowController(SettingsEnvironment environment);
    ~SettingsWindowController() override;

    QWidget* settingsWindow() const { return window_.get(); }
    SettingsView* view() const { return view_; }

    // Reads a settings file edited outside, restores the window when minimised, moves it to the centre of the
    // display under the pointer when it sits on another one, brings it to the
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

private:
    void moveToMouseScreen();

    platform::UserDefaults& defaults_;
    WindowPresenter presenter_;
    std::unique_ptr<QWidget> window_;
    SettingsView* view_ = nullptr;
};

}  // namespace tessivar
