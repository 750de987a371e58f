#pragma once
#include <map>
#include <vector>

#include "Platform/HotKeys/HotKeyService.h"

namespace platform {

// The installed event handlers and the event kinds each one receives; a
// handler starts with none. Keeps no window-system state, so every backend's
// service can hold one.
class HotKeyEventHandlers {
public:
    EventHandlerRef install(EventHandler handler);
    // eventNotHandledErr for a handler that was never installed.
    [[nodiscard]] OSStatus addTypes(EventHandlerRef ref, const std::vector<EventTypeSpec>& types);
    [[nodiscard]] OSStatus removeTypes(EventHandlerRef ref, const std::vector<EventTypeSpec>& types);

    // Hands the event to the handlers that take its kind, in the order they
    // were installed, until one handles it (answers other than
    // eventNotHandledErr); answers what the last one called answered. A handler
    // may install handlers or change kinds while it runs.
    OSStatus dispatch(const KeyboardEvent& event) const;

private:
    struct Entry {
        EventHandler handler;
        std::vector<EventTypeSpec> types;
    };

    std::map<EventHandlerRef, Entry> entries_;
    EventHandlerRef lastRef_ = 0;
};

}  // namespace platform
