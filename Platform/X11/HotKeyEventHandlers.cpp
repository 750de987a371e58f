#include "Platform/X11/HotKeyEventHandlers.h"

#include <algorithm>

namespace platform {
namespace {

bool takes(const std::vector<EventTypeSpec>& types, const EventTypeSpec& type) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

}  // namespace

EventHandlerRef HotKeyEventHandlers::install(EventHandler handler) {
    entries_.emplace(++lastRef_, Entry{std::move(handler), {}});
    return lastRef_;
}

OSStatus HotKeyEventHandlers::addTypes(EventHandlerRef ref, const std::vector<EventTypeSpec>& types) {
    const auto entry = entries_.find(ref);
    if (entry == entries_.end()) return eventNotHandledErr;
    for (const EventTypeSpec& type : types) {
        if (!takes(entry->second.types, type)) entry->second.types.push_back(type);
    }
    return noErr;
}

OSStatus HotKeyEventHandlers::removeTypes(EventHandlerRef ref, const std::vector<EventTypeSpec>& types) {
    const auto entry = entries_.find(ref);
    if (entry == entries_.end()) return eventNotHandledErr;
    std::erase_if(entry->second.types, [&](const EventTypeSpec& type) { return takes(types, type); });
    return noErr;
}

OSStatus HotKeyEventHandlers::dispatch(const KeyboardEvent& event) const {
    const EventTypeSpec type{kEventClassKeyboard, event.kind};
    // Handlers run against a snapshot: one may change the table under us.
    std::vector<EventHandler> receivers;
    for (const auto& [ref, entry] : entries_) {
        if (takes(entry.types, type)) receivers.push_back(entry.handler);
    }
    OSStatus status = eventNotHandledErr;
    for (const EventHandler& receiver : receivers) {
        status = receiver(event);
        if (status != eventNotHandledErr) break;
    }
    return status;
}

}  // namespace platform
