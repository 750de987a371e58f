#include "tests/support/SystemTrayPanel.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <array>

#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;

namespace tessivar::testing {

SystemTrayPanel::SystemTrayPanel(std::string displayName, std::vector<std::string> options)
    : displayName_(std::move(displayName)), options_(std::move(options)) {}

SystemTrayPanel::~SystemTrayPanel() {
    stop();
    if (display_) XCloseDisplay(display_);
}

platform::Failure SystemTrayPanel::start(std::chrono::milliseconds timeout) {
    if (ChildProcess::findProgram("trayer").empty()) return "trayer is not installed (scripts/install-deps.sh)";
    if (!display_) display_ = XOpenDisplay(displayName_.c_str());
    if (!display_) return "no connection to " + displayName_;
    // Listening starts before the tray does, so its announcement cannot be missed.
    XSelectInput(display_, DefaultRootWindow(display_), StructureNotifyMask);
    XSync(display_, False);
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display_));
    const Atom selection = XInternAtom(display_, name.c_str(), False);
    std::vector<std::string> command{"trayer"};
    command.insert(command.end(), options_.begin(), options_.end());
    tray_ = std::make_unique<ChildProcess>(command, ChildProcess::Options{.environment = {"DISPLAY=" + displayName_}});
    if (!tray_->started()) return "trayer did not start: " + tray_->failure();
    if (!waitUntil([&] { return sawAnnouncement(selection); }, timeout)) return "trayer never announced " + name;
    return std::nullopt;
}

void SystemTrayPanel::stop() {
    if (tray_) tray_->terminate(2s);
    tray_.reset();
}

bool SystemTrayPanel::tellColours(std::uint32_t foreground) const {
    if (!display_) return false;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display_));
    const Window owner = XGetSelectionOwner(display_, XInternAtom(display_, name.c_str(), False));
    if (owner == None) return false;
    // The foreground, error, warning and success colours, each as three 16-bit
    // channels; all four the foreground here.
    std::array<long, 12> channels{};
    for (std::size_t index = 0; index < channels.size(); ++index) {
        const unsigned shift = 16 - 8 * static_cast<unsigned>(index % 3);
        channels[index] = static_cast<long>(((foreground >> shift) & 0xFFu) * 0x101u);
    }
    XChangeProperty(display_, owner, XInternAtom(display_, "_NET_SYSTEM_TRAY_COLORS", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(channels.data()),
                    static_cast<int>(channels.size()));
    XSync(display_, False);
    return true;
}

bool SystemTrayPanel::sawAnnouncement(unsigned long selection) const {
    const Atom manager = XInternAtom(display_, "MANAGER", False);
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != ClientMessage || event.xclient.message_type != manager) continue;
        if (static_cast<Atom>(event.xclient.data.l[1]) == selection) return true;
    }
    return false;
}

}  // namespace tessivar::testing
