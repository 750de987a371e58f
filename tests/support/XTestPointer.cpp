#include "tests/support/XTestPointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <thread>

#include "tests/support/XTestConnection.h"

using namespace std::chrono_literals;

namespace tessivar::testing {

namespace {
constexpr int kDragSteps = 10;
constexpr auto kSettle = 50ms;
}  // namespace

XTestPointer::XTestPointer(const std::string& displayName) {
    const XTestConnection connection = openXTestConnection(displayName);
    display_ = connection.display;
    hasXTest_ = connection.hasXTest;
}

XTestPointer::~XTestPointer() {
    if (display_) XCloseDisplay(display_);
}

bool XTestPointer::isReady() const { return display_ && hasXTest_; }

void XTestPointer::moveTo(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XSync(display_, False);
}

void XTestPointer::press() {
    XTestFakeButtonEvent(display_, Button1, True, CurrentTime);
    XSync(display_, False);
}

void XTestPointer::release() {
    XTestFakeButtonEvent(display_, Button1, False, CurrentTime);
    XSync(display_, False);
}

// The pointer comes to rest before the press, as a hand's does: a press that
// comes with a jump across the window is no click a person makes.
void XTestPointer::click(int x, int y, std::chrono::milliseconds hold) {
    moveTo(x, y);
    std::this_thread::sleep_for(kSettle);
    press();
    if (hold > 0ms) std::this_thread::sleep_for(hold);
    release();
}

// The hold is spent before the pointer moves, as a person settles before dragging.
void XTestPointer::drag(int fromX, int fromY, int toX, int toY, std::chrono::milliseconds hold) {
    moveTo(fromX, fromY);
    std::this_thread::sleep_for(kSettle);
    press();
    if (hold > 0ms) std::this_thread::sleep_for(hold);
    for (int step = 1; step <= kDragSteps; ++step) {
        moveTo(fromX + (toX - fromX) * step / kDragSteps, fromY + (toY - fromY) * step / kDragSteps);
        std::this_thread::sleep_for(10ms);
    }
    release();
}

}  // namespace tessivar::testing
