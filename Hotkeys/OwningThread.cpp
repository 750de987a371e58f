#include "Hotkeys/OwningThread.h"

#include <string>

#include "Hotkeys/Private/Misuse.h"

namespace hotkeys {

void OwningThread::check(const char* caller) const {
    if (std::this_thread::get_id() == id_) return;
    reportMisuse(std::string(caller) +
                 " was called off the thread that made the shortcut registry; the package is main-thread only");
}

}  // namespace hotkeys
