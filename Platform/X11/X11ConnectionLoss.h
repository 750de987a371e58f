#pragma once
#include <functional>

struct _XDisplay;

namespace platform {

// Xlib ends the process (exit(1)) when a connection to the X server breaks, so
// whatever the program still had to do at its end (the events it holds, its
// quit) would be lost. On the program's own connections Xlib's call returns
// instead: the connection is dead from then on, every later call on it returns
// at once, and the handler set here hears of the break once, so that the program
// can end through its own shut-down.
class X11ConnectionLoss {
public:
    // Runs at most once per process, on the thread whose Xlib call found the
    // break, inside that call: it should only note the break or queue the ending.
    static void setHandler(std::function<void()> onLoss);
    // Makes a connection just opened one of the program's own; the program forgets
    // it before closing it.
    static void watch(_XDisplay* display);
    static void forget(_XDisplay* display);
};

}  // namespace platform
