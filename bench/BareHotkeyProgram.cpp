// The least a Qt program does to move the pointer on a hot key: Alt+1 and
// Alt+2 grabbed on an X connection of its own, that connection watched by
// the event loop, and the pointer warped from the handler with no round trip.
// Qt's own connection hears the keyboard state as every toolkit program's
// does. The reference the hot-key bench sets the real program beside.
// Qt first: Xlib defines names (Bool, Status) that Qt's headers also use.
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// Where the bench expects each press to put the pointer.
constexpr int kHomeX = 300, kHomeY = 200;
constexpr int kSecondCentreX = 2880, kSecondCentreY = 540;

void handlePresses(Display* display, unsigned secondKey) {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != KeyPress) continue;
        const bool toSecond = event.xkey.keycode == secondKey;
        XWarpPointer(display, None, XDefaultRootWindow(display), 0, 0, 0, 0, toSecond ? kSecondCentreX : kHomeX,
                     toSecond ? kSecondCentreY : kHomeY);
        XFlush(display);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const unsigned firstKey = XKeysymToKeycode(display, XK_1);
    const unsigned secondKey = XKeysymToKeycode(display, XK_2);
    for (const unsigned key : {firstKey, secondKey}) {
        XGrabKey(display, static_cast<int>(key), Mod1Mask, XDefaultRootWindow(display), False, GrabModeAsync,
                 GrabModeAsync);
    }
    XSync(display, False);
    QSocketNotifier notifier(XConnectionNumber(display), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] { handlePresses(display, secondKey); });
    QTimer::singleShot(0, [] {
        std::puts("bare hot keys started");
        std::fflush(stdout);
    });
    const int status = application.exec();
    XCloseDisplay(display);
    return status;
}
