#pragma once
#include <string>
#include <vector>

namespace platform {

// The key bindings the desktop itself keeps (window manager and shell), as it
// writes them: "<Super>Left", "<Alt>F4". The desktop does not necessarily
// grab them on the X server while they are idle, so a trial grab does not
// find them all.
class DesktopKeyBindings {
public:
    virtual ~DesktopKeyBindings() = default;
    // Read afresh on every call; empty where the desktop keeps none we can read.
    virtual std::vector<std::string> accelerators() = 0;
};

}  // namespace platform
