#pragma once
#include <chrono>
#include <string>

struct _XDisplay;

namespace tessivar::testing {

// The mouse on a test X server, moved and pressed with XTest from a
// connection of its own, as a person does. Every call returns once the server
// has handled it.
class XTestPointer {
public:
    explicit XTestPointer(const std::string& displayName);
    ~XTestPointer();
    XTestPointer(const XTestPointer&) = delete;
    XTestPointer& operator=(const XTestPointer&) = delete;

    // False without a server or without the XTest extension.
    bool isReady() const;

    void moveTo(int x, int y);
    void press();
    void release();
    // The left button at a root point, held for `hold` (0: released at once,
    // as a tap on a touchpad gives).
    void click(int x, int y, std::chrono::milliseconds hold);
    // Presses at one point, moves to the other in small steps and releases there.
    void drag(int fromX, int fromY, int toX, int toY, std::chrono::milliseconds hold);

private:
    _XDisplay* display_ = nullptr;
    bool hasXTest_ = false;
};

}  // namespace tessivar::testing
