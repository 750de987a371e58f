#include "Hotkeys/OwningThread.h"

#include <string>

#include "Hotkeys/Misuse.h"

namespace Hotkeys {

void OwningThread::check(std::source_location where) const {
    if (std::this_thread::get_id() == id_) return;
    reportMisuse(std::string(where.function_name()) +
                 " was called off the thread that made the shortcut registry; the package is main-thread only");
}

}  // namespace Hotkeys
