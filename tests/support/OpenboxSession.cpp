#include "tests/support/OpenboxSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fstream>

#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;

namespace tessivar::testing {

namespace {

// Four desktops, new windows focused, a focus that does not follow the
// pointer (moving the pointer alone changes nothing), and Alt+F4 to close.
constexpr const char* kConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy></placement>
  <desktops><number>4</number><firstdesk>1</firstdesk></desktops>
  <keyboard><keybind key="A-F4"><action name="Close"/></keybind></keyboard>
</openbox_config>
)";

}  // namespace

OpenboxSession::OpenboxSession(const std::string& displayName) : displayName_(displayName) {}

OpenboxSession::~OpenboxSession() {
    if (display_) XCloseDisplay(display_);
    if (manager_) manager_->terminate(2s);
}

platform::Failure OpenboxSession::start(std::chrono::milliseconds timeout) {
    if (ChildProcess::findProgram("openbox").empty()) return "openbox is not installed";
    const auto config = folder_.path() / "rc.xml";
    std::ofstream(config) << kConfig;
    manager_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"openbox", "--sm-disable", "--config-file", config.string()},
        ChildProcess::Options{.environment = {"DISPLAY=" + displayName_, "HOME=" + folder_.path().string()}});
    if (!manager_->started()) return "openbox did not start: " + manager_->failure();
    display_ = XOpenDisplay(displayName_.c_str());
    if (!display_) return "no connection to " + displayName_;
    const Window root = DefaultRootWindow(display_);
    const bool ready = waitUntil(
        [&] {
            const auto desktops = cardinal(root, "_NET_NUMBER_OF_DESKTOPS");
            return cardinal(root, "_NET_SUPPORTING_WM_CHECK") && desktops && *desktops == kDesktops;
        },
        timeout);
    if (!ready) return "openbox did not take the screen with " + std::to_string(kDesktops) + " desktops";
    return std::nullopt;
}

std::optional<unsigned long> OpenboxSession::cardinal(unsigned long window, const char* property) const {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom name = XInternAtom(display_, property, False);
    if (XGetWindowProperty(display_, window, name, 0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) != Success) {
        return std::nullopt;
    }
    std::optional<unsigned long> value;
    // Xlib hands 32-bit items as longs, sign-extended: 0xFFFFFFFF comes as -1.
    if (data && count == 1 && format == 32)
        value = static_cast<unsigned long>(*reinterpret_cast<long*>(data)) & 0xFFFFFFFFul;
    if (data) XFree(data);
    return value;
}

std::optional<long> OpenboxSession::currentDesktop() const {
    const auto desktop = cardinal(DefaultRootWindow(display_), "_NET_CURRENT_DESKTOP");
    if (!desktop) return std::nullopt;
    return static_cast<long>(*desktop);
}

bool OpenboxSession::switchToDesktop(long index) const {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = DefaultRootWindow(display_);
    event.xclient.message_type = XInternAtom(display_, "_NET_CURRENT_DESKTOP", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = index;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display_, False);
    return waitUntil([&] { return currentDesktop() == index; }, 5s);
}

std::optional<unsigned long> OpenboxSession::desktopOf(unsigned long window) const {
    return cardinal(window, "_NET_WM_DESKTOP");
}

unsigned long OpenboxSession::activeWindow() const {
    return cardinal(DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW").value_or(0);
}

}  // namespace tessivar::testing
