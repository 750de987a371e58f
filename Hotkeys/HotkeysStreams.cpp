// Event streams: a subscriber hears every press and release of a name's stored
// shortcut while its token lives.
#include <cstdint>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/HotkeysRegistration.h"
#include "Hotkeys/RegistryState.h"
#include "Hotkeys/Services.h"

namespace Hotkeys {
namespace {

std::uint64_t nextStreamId() {
    static std::uint64_t counter = 0;
    return ++counter;
}

void addStream(const Name& name, std::uint64_t id, const std::function<void(EventType)>& onEvent) {
    RegistryState& state = RegistryState::shared();
    state.keyDownStreams.add(name, [onEvent] { onEvent(EventType::keyDown); }, id);
    state.keyUpStreams.add(name, [onEvent] { onEvent(EventType::keyUp); }, id);
    if (const auto shortcut = loadShortcut(name)) registerShortcut(*shortcut);
}

void removeStream(const Name& name, std::uint64_t id) {
    RegistryState& state = RegistryState::shared();
    state.keyDownStreams.remove(name, id);
    state.keyUpStreams.remove(name, id);
    if (const auto shortcut = loadShortcut(name)) releaseShortcut(*shortcut);
}

// Both changes go through the main queue in order, so a stream dropped in the
// turn it was made is added and removed again, leaving nothing behind.
class Subscription {
public:
    Subscription(platform::MainQueue* queue, Name name, std::uint64_t id)
        : queue_(queue), name_(std::move(name)), id_(id) {}
    ~Subscription() {
        runOnMainQueue(queue_, [name = name_, id = id_] { removeStream(name, id); });
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

private:
    platform::MainQueue* queue_;
    Name name_;
    std::uint64_t id_;
};

}  // namespace

EventStream events(const Name& name, std::function<void(EventType)> onEvent) {
    // Nobody to tell: nothing to subscribe, and nothing whose end could release a hot key.
    if (!onEvent) return nullptr;
    platform::MainQueue* queue = environment().mainQueue;
    const std::uint64_t id = nextStreamId();
    runOnMainQueue(queue, [name, id, onEvent = std::move(onEvent)] { addStream(name, id, onEvent); });
    return std::make_shared<Subscription>(queue, name, id);
}

EventStream events(EventType type, const Name& name, std::function<void(EventType)> onEvent) {
    if (!onEvent) return nullptr;
    return events(name, [type, onEvent = std::move(onEvent)](EventType event) {
        if (event == type) onEvent(event);
    });
}

}  // namespace Hotkeys
