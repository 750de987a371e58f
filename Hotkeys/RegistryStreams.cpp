// Event streams: a subscriber hears every press and release of a name's stored
// shortcut while its token lives.
#include "Hotkeys/Registry.h"
#include "Platform/Foundation/MainQueue.h"

namespace hotkeys {
namespace {

// Runs the work on the main queue, or at once without one, unless the registry
// is gone by then.
void runOnMainQueue(platform::MainQueue* queue, std::weak_ptr<Registry*> registry,
                    std::function<void(Registry&)> work) {
    auto guarded = [registry = std::move(registry), work = std::move(work)] {
        if (const auto self = registry.lock()) work(**self);
    };
    if (queue == nullptr) {
        guarded();
        return;
    }
    queue->async(std::move(guarded));
}

}  // namespace

// Both changes go through the main queue in order, so a stream dropped in the
// turn it was made is added and removed again, leaving nothing behind. The
// token may be dropped on any thread; only the queued work touches the registry.
class Registry::Subscription {
public:
    Subscription(platform::MainQueue* queue, std::weak_ptr<Registry*> registry, Name name, std::uint64_t id)
        : queue_(queue), registry_(std::move(registry)), name_(std::move(name)), id_(id) {}
    ~Subscription() {
        runOnMainQueue(queue_, registry_,
                       [name = name_, id = id_](Registry& registry) { registry.removeStreamContinuation(name, id); });
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

private:
    platform::MainQueue* queue_;
    std::weak_ptr<Registry*> registry_;
    Name name_;
    std::uint64_t id_;
};

void Registry::addStreamContinuation(const Name& name, std::uint64_t id,
                                     const std::function<void(EventType)>& onEvent) {
    thread_.check();
    keyDownStreamContinuations_.add(
        name, [onEvent] { onEvent(EventType::keyDown); }, id);
    keyUpStreamContinuations_.add(
        name, [onEvent] { onEvent(EventType::keyUp); }, id);
    if (const auto shortcut = loadShortcut(name)) registerShortcut(*shortcut);
}

void Registry::removeStreamContinuation(const Name& name, std::uint64_t id) {
    thread_.check();
    keyDownStreamContinuations_.remove(name, id);
    keyUpStreamContinuations_.remove(name, id);
    if (const auto shortcut = loadShortcut(name)) releaseShortcut(*shortcut);
}

EventStream Registry::events(const Name& name, std::function<void(EventType)> onEvent) {
    thread_.check();
    // Nobody to tell: nothing to subscribe, and nothing whose end could release a hot key.
    if (!onEvent) return nullptr;
    const std::uint64_t id = ++streamCounter_;
    runOnMainQueue(environment_.mainQueue, self_, [name, id, onEvent = std::move(onEvent)](Registry& registry) {
        registry.addStreamContinuation(name, id, onEvent);
    });
    return std::make_shared<Subscription>(environment_.mainQueue, self_, name, id);
}

EventStream Registry::events(EventType type, const Name& name, std::function<void(EventType)> onEvent) {
    if (!onEvent) return nullptr;
    return events(name, [type, onEvent = std::move(onEvent)](EventType event) {
        if (event == type) onEvent(event);
    });
}

}  // namespace hotkeys
