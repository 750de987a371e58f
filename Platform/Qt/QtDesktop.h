#pragma once
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/Desktop.h"

class QScreen;

namespace platform {

class EventPointer;
class OutputOrder;
class PointerWarp;

// The displays and the pointer as the running QGuiApplication sees them,
// numbered by the window system's own output order (primary first) rather than
// by the order Qt learnt of them, with mirrored outputs counted once. Every
// call reads Qt's screen list once, so a display unplugged between two calls
// is simply absent from the second.
//
// Qt's pointer calls ask the server where the pointer is, and a move asks
// twice more before it warps. Given a warp and the pointer of the event being
// handled, a hot-key press reads where it left from the key event and moves
// the pointer with one request that waits for nothing.
class QtDesktop : public Desktop {
public:
    // Without an output order the primary comes first and the rest keep Qt's
    // order; without a warp or an event pointer Qt's own calls serve.
    explicit QtDesktop(OutputOrder* outputOrder = nullptr, PointerWarp* warp = nullptr,
                       const EventPointer* eventPointer = nullptr);
    ~QtDesktop() override;

    std::vector<Screen> screens() override;
    Point mouseLocation() override;
    Rect displayBounds(DisplayID display) override;
    std::int32_t moveCursor(DisplayID display, Point local) override;
    void setScreensChangedHandler(std::function<void()> handler) override;

private:
    QList<QScreen*> numberedScreens();
    const std::vector<std::string>& outputOrder();
    void watch(QScreen* screen);
    void screensDidChange();
    std::optional<Point> pointerOfCurrentEvent() const;
    void warp(QScreen* screen, Point topLeft);

    OutputOrder* outputOrderSource_;
    PointerWarp* warp_;
    const EventPointer* eventPointer_;
    // The event during which we last moved the pointer: from then on the
    // position the event carries is no longer where the pointer is.
    std::uint64_t movedDuringEvent_ = 0;
    // Read again after the next change only: asking the server is several round trips.
    std::optional<std::vector<std::string>> outputOrder_;
    std::function<void()> changedHandler_;
    // Collects the several signals one change sends into one call of the handler.
    QTimer changeCoalescer_;
    std::unique_ptr<QObject> connections_;
};

}  // namespace platform
