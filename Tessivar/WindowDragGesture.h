#pragma once
#include <QObject>
#include <QPoint>

#include <optional>

class QMouseEvent;
class QWidget;

namespace tessivar {

// Moves a window when the user drags one of its surfaces: a left press that
// reaches `surface` (no control took it) and then a move of a few pixels with
// the button still held. A press alone never moves the window. Asking the
// window manager to move it at the press itself would let the manager take the
// pointer and the keyboard for a click: the window loses its activation (a
// shortcut field stops recording), and a click released before the manager's
// grab (a tap on a touchpad) leaves the window stuck to the pointer.
class WindowDragGesture : public QObject {
public:
    // How far the pointer goes with the button held before the window moves.
    static constexpr int kMoveThreshold = 4;

    // Watches `surface`, which keeps it as its child.
    explicit WindowDragGesture(QWidget* surface);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool pressed(const QMouseEvent& event);
    bool moved(const QMouseEvent& event);
    void startMove(const QPoint& at);

    QWidget* surface_;
    // Where the press was, until the window moves or the button goes up.
    std::optional<QPoint> pressedAt_;
    // Where in the window the pointer holds it, while this gesture moves the
    // window itself (no window manager took the move over).
    std::optional<QPoint> dragOffset_;
    // The pointer went far enough: the move starts at the next turn of the loop.
    bool moveDue_ = false;
};

}  // namespace tessivar
