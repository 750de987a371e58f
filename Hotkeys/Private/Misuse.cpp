#include "Hotkeys/Private/Misuse.h"

#include <cassert>
#include <mutex>
#include <string>

#include "Hotkeys/OwningThread.h"
#include "Platform/Foundation/Log.h"

namespace hotkeys {
namespace {

// Reports come from the wrong thread by their nature, so the handler is
// guarded; it is called outside the lock.
struct InstalledHandler {
    std::mutex mutex;
    MisuseHandler handler;
};

InstalledHandler& installed() {
    static InstalledHandler value;
    return value;
}

void defaultHandler(const std::string& message) {
    platform::Log::writeOnce("[Hotkeys] %@", message);
    assert(!"the shortcut package was used against its rules; the log line above says how");
}

}  // namespace

MisuseHandler setMisuseHandler(MisuseHandler handler) {
    InstalledHandler& current = installed();
    const std::lock_guard lock(current.mutex);
    std::swap(current.handler, handler);
    return handler;
}

void reportMisuse(const std::string& message) {
    MisuseHandler handler;
    {
        InstalledHandler& current = installed();
        const std::lock_guard lock(current.mutex);
        handler = current.handler;
    }
    if (!handler) handler = defaultHandler;
    handler(message);
}

void OwningThread::check(const char* caller) const {
    if (std::this_thread::get_id() == id_) return;
    reportMisuse(std::string(caller) +
                 " was called off the thread that made the shortcut registry; the package is main-thread only");
}

}  // namespace hotkeys
