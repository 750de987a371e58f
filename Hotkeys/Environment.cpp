#include "Hotkeys/Hotkeys.h"

namespace Hotkeys {

namespace {
// The package is main-thread only, so one plain value serves the whole process.
Environment& current() {
    static Environment value;
    return value;
}
}  // namespace

void setEnvironment(const Environment& environment) { current() = environment; }

const Environment& environment() { return current(); }

}  // namespace Hotkeys
