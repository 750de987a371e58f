#pragma once
#include <QObject>
#include <QRect>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Desktop/Desktop.h"

class QScreen;

namespace platform {

class EventPointer;
class OutputOrder;
class PointerWarp;

// The displays and the pointer as the running QGuiApplication sees them,
// numbered by the window system's own output order (primary first) rather than
// by the order Qt learnt of them, with mirrored outputs counted once. The list
// is worked out once and kept until Qt reports a change: numbering and naming
// the displays cost a jump more than its warp, and Qt tells every change (a
// display added or removed, moved, resized, made primary) before the next
// event is handled, so a display unplugged between two calls is absent from
// the second.
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
    // One screen Qt lists, with what a move or a reading of the pointer needs
    // of it, so that a jump asks Qt for none of it again.
    struct Placement {
        std::optional<DisplayID> id;
        QScreen* screen = nullptr;
        QRect geometry;  // logical points, Qt's top-left origin
        double ratio = 1;

        // Whether a root-window point lies in this screen's device pixels.
        bool holdsNative(Point native) const;
    };
    // The displays as last worked out: the numbered list, and every screen Qt
    // lists (mirrors included). Qt deletes a screen only after telling of its
    // removal, which drops this first, so the pointers are never stale.
    struct Snapshot {
        std::vector<Screen> screens;
        std::vector<Placement> placements;
        double primaryHeight = 0;
        bool canWarp = false;
    };

    const Snapshot& snapshot();
    Snapshot takeSnapshot();
    const Placement* placementWithID(DisplayID display);
    Point nativeToTopLeft(Point native);
    QList<QScreen*> numberedScreens();
    const std::vector<std::string>& outputOrder();
    void watch(QScreen* screen);
    void screensDidChange();
    void forgetScreens();
    std::optional<Point> pointerOfCurrentEvent();
    void warp(const Placement& placement, Point topLeft);

    OutputOrder* outputOrderSource_;
    PointerWarp* warp_;
    const EventPointer* eventPointer_;
    // The event during which we last moved the pointer: from then on the
    // position the event carries is no longer where the pointer is.
    std::uint64_t movedDuringEvent_ = 0;
    // Read again after the next change only: asking the server is several round trips.
    std::optional<std::vector<std::string>> outputOrder_;
    // Kept only while Qt's signals can say when to drop it: without an
    // application there is nothing to watch, and every call asks again.
    std::optional<Snapshot> snapshot_;
    bool watching_ = false;
    std::function<void()> changedHandler_;
    // Collects the several signals one change sends into one call of the handler.
    QTimer changeCoalescer_;
    std::unique_ptr<QObject> connections_;
};

}  // namespace platform
