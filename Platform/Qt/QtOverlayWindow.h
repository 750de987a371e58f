#pragma once
#include <QPointer>
#include <memory>

#include "Platform/Desktop/OverlayWindow.h"

class QWidget;

namespace platform {

// The overlay as a frameless, translucent tool-tip window that stays on top,
// lets every click through and never takes focus: the user keeps typing into
// whatever application was active when the cursor jumped.
class QtOverlayWindow : public OverlayWindow {
public:
    // `frame` is in global coordinates.
    explicit QtOverlayWindow(const Rect& frame);
    ~QtOverlayWindow() override;
    QtOverlayWindow(const QtOverlayWindow&) = delete;
    QtOverlayWindow& operator=(const QtOverlayWindow&) = delete;

    Rect frame() const override;
    void setFrame(const Rect& frame);
    void setFrameOrigin(Point origin) override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;

    // Takes ownership of `content`, makes it fill the window and lets input pass
    // through it; a previous content widget is deleted.
    void setContentWidget(QWidget* content);
    // What the last setContentWidget put in, while it lives.
    QWidget* contentWidget() const { return content_; }
    // The top-level Qt window, still owned by this object.
    QWidget* widget() const;

private:
    std::unique_ptr<QWidget> window_;
    QPointer<QWidget> content_;
};

}  // namespace platform
