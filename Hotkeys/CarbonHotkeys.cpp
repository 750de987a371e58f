#include "Hotkeys/CarbonHotkeys.h"

#include <algorithm>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "Hotkeys/Hotkeys.h"
#include "Platform/HotKeys/MenuKeyMonitor.h"

namespace Hotkeys {
namespace {

using platform::EventHotKeyRef;
using platform::KeyboardEvent;
using platform::OSStatus;

const std::vector<platform::EventTypeSpec> kHotKeyEventTypes{
    {platform::kEventClassKeyboard, platform::kEventHotKeyPressed},
    {platform::kEventClassKeyboard, platform::kEventHotKeyReleased},
};

struct State {
    // Ordered by id, so the raw-key match prefers the oldest registration.
    std::map<std::uint32_t, CarbonHotkeys::HotKey> hotKeys;
    std::uint32_t hotKeyIdCounter = 0;
    platform::EventHandlerRef eventHandler = 0;
    // The monitor that was given our callback.
    platform::MenuKeyMonitor* menuTrackingMonitor = nullptr;
    // Key code, mask and status of every refusal printed so far.
    std::set<std::tuple<std::int64_t, std::int64_t, OSStatus>> printedRefusals;
};

State& state() {
    static State shared;
    return shared;
}

bool fitsServiceWidth(std::int64_t value) {
    return value >= 0 && value <= static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max());
}

// The service takes 32-bit values. A wider key code or mask (only an edited
// record can hold one) would be cut down to some other key, so it is refused,
// as is everything when the program runs without a hot-key service.
OSStatus grab(const Shortcut& shortcut, std::uint32_t id, EventHotKeyRef* ref) {
    platform::HotKeyService* service = environment().hotKeyService;
    if (service == nullptr || !fitsServiceWidth(shortcut.carbonKeyCode) || !fitsServiceWidth(shortcut.carbonModifiers)) {
        return platform::eventHotKeyInvalidErr;
    }
    return service->registerHotKey(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                                   static_cast<std::uint32_t>(shortcut.carbonModifiers),
                                   {CarbonHotkeys::kSignature, id}, ref);
}

// A combination another program holds is refused at every try: when a name
// stores its default, again when its handler is added, again when a menu
// closes. The user needs to hear of each distinct refusal once per run.
void printRefusal(const Shortcut& shortcut, OSStatus status) {
    if (!state().printedRefusals.emplace(shortcut.carbonKeyCode, shortcut.carbonModifiers, status).second) return;
    std::cout << "Error registering hotkey " + shortcut.description() + ":" + " " + std::to_string(status) + "\n"
              << std::flush;
}

// Answers the service's reference, or nothing after reporting the refusal.
std::optional<EventHotKeyRef> registerWithService(const Shortcut& shortcut, std::uint32_t id) {
    EventHotKeyRef ref = 0;
    const OSStatus status = grab(shortcut, id, &ref);
    if (status == platform::noErr && ref != 0) return ref;
    printRefusal(shortcut, status);
    return std::nullopt;
}

void release(CarbonHotkeys::HotKey& hotKey) {
    if (hotKey.carbonHotKey == 0) return;
    if (platform::HotKeyService* service = environment().hotKeyService) service->unregisterHotKey(hotKey.carbonHotKey);
    hotKey.carbonHotKey = 0;
}

void suspendAll() {
    for (auto& [id, hotKey] : state().hotKeys) release(hotKey);
}

void setHotKeyKindsAdded(bool added) {
    platform::HotKeyService* service = environment().hotKeyService;
    if (service == nullptr) return;
    if (added) {
        service->addEventTypes(state().eventHandler, kHotKeyEventTypes);
        return;
    }
    service->removeEventTypes(state().eventHandler, kHotKeyEventTypes);
}

platform::MenuKeyMonitor* menuTrackingMonitor() {
    platform::MenuKeyMonitor* monitor = environment().menuKeyMonitor;
    if (monitor != nullptr && monitor != state().menuTrackingMonitor) {
        monitor->setCallback(CarbonHotkeys::handleMenuKeyEvent);
        state().menuTrackingMonitor = monitor;
    }
    return monitor;
}

void setMenuTrackingMonitorRunning(bool running) {
    platform::MenuKeyMonitor* monitor = menuTrackingMonitor();
    if (monitor == nullptr) return;
    if (running) {
        monitor->start();
        return;
    }
    monitor->stop();
}

// A callback may unregister its own record, so the record's parts are copied
// before the call.
OSStatus invoke(const CarbonHotkeys::HotKey& hotKey, bool keyDown) {
    const CarbonHotkeys::Callback callback = keyDown ? hotKey.onKeyDown : hotKey.onKeyUp;
    const Shortcut shortcut = hotKey.shortcut;
    if (callback) callback(shortcut);
    return platform::noErr;
}

}  // namespace

bool CarbonHotkeys::registerHotKey(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp) {
    State& st = state();
    const std::uint32_t id = ++st.hotKeyIdCounter;
    const auto ref = registerWithService(shortcut, id);
    if (!ref) return false;
    st.hotKeys.insert_or_assign(id, HotKey{shortcut, id, *ref, std::move(onKeyDown), std::move(onKeyUp)});
    installEventHandler();
    return true;
}

// The first handler comes with the first grab; its event kinds then follow the
// current state. A failed install is tried again with the next grab.
void CarbonHotkeys::installEventHandler() {
    State& st = state();
    platform::HotKeyService* service = environment().hotKeyService;
    if (st.eventHandler != 0 || service == nullptr) return;
    platform::EventHandlerRef ref = 0;
    const OSStatus status = service->installEventHandler(handleEvent, &ref);
    if (status != platform::noErr || ref == 0) return;
    st.eventHandler = ref;
    updateEventHandler();
}

void CarbonHotkeys::unregister(const Shortcut& shortcut) {
    auto& hotKeys = state().hotKeys;
    for (auto it = hotKeys.begin(); it != hotKeys.end();) {
        if (it->second.shortcut != shortcut) {
            ++it;
            continue;
        }
        release(it->second);
        it = hotKeys.erase(it);
    }
}

void CarbonHotkeys::updateEventHandler() {
    if (state().eventHandler == 0) return;
    const bool active = isEnabled() && !isPaused();
    if (active && !isMenuOpen()) {
        registerAllHotKeys();
        setMenuTrackingMonitorRunning(false);
        setHotKeyKindsAdded(true);
        return;
    }
    // The records stay, so every hot key comes back under its old id.
    suspendAll();
    setHotKeyKindsAdded(false);
    setMenuTrackingMonitorRunning(active);
}

// A record the service no longer accepts is dropped, which also takes its
// shortcut out of the registered ones.
void CarbonHotkeys::registerAllHotKeys() {
    auto& hotKeys = state().hotKeys;
    std::vector<std::uint32_t> suspended;
    for (const auto& [id, hotKey] : hotKeys) {
        if (hotKey.carbonHotKey == 0) suspended.push_back(id);
    }
    for (const std::uint32_t id : suspended) {
        const auto record = hotKeys.find(id);
        if (record == hotKeys.end()) continue;
        const auto ref = registerWithService(record->second.shortcut, id);
        if (ref) {
            record->second.carbonHotKey = *ref;
            continue;
        }
        hotKeys.erase(record);
    }
}

bool CarbonHotkeys::isRegistered(const Shortcut& shortcut) {
    const auto& hotKeys = state().hotKeys;
    return std::any_of(hotKeys.begin(), hotKeys.end(),
                       [&shortcut](const auto& item) { return item.second.shortcut == shortcut; });
}

std::vector<Shortcut> CarbonHotkeys::registeredShortcuts() {
    std::vector<Shortcut> result;
    for (const auto& [id, hotKey] : state().hotKeys) {
        if (std::find(result.begin(), result.end(), hotKey.shortcut) == result.end()) result.push_back(hotKey.shortcut);
    }
    return result;
}

platform::OSStatus CarbonHotkeys::handleEvent(const KeyboardEvent& event) {
    if (event.kind == platform::kEventHotKeyPressed || event.kind == platform::kEventHotKeyReleased) {
        return handleHotKeyEvent(event);
    }
    return handleRawKeyEvent(event);
}

bool CarbonHotkeys::handleMenuKeyEvent(const KeyboardEvent& event) { return handleRawKeyEvent(event) == platform::noErr; }

platform::OSStatus CarbonHotkeys::handleHotKeyEvent(const KeyboardEvent& event) {
    if (!event.hotKeyID) return platform::eventParameterNotFoundErr;
    // Other clients' hot keys pass on to their own handlers.
    if (event.hotKeyID->signature != kSignature) return platform::eventNotHandledErr;
    const auto& hotKeys = state().hotKeys;
    const auto record = hotKeys.find(event.hotKeyID->id);
    if (record == hotKeys.end()) return platform::eventNotHandledErr;
    return invoke(record->second, event.kind == platform::kEventHotKeyPressed);
}

// Matches on key code and the modifiers a shortcut can hold, so caps lock and
// the other lock bits do not stop a key from reaching its record.
platform::OSStatus CarbonHotkeys::handleRawKeyEvent(const KeyboardEvent& event) {
    if (event.kind != platform::kEventRawKeyDown && event.kind != platform::kEventRawKeyUp) {
        return platform::eventNotHandledErr;
    }
    if (!event.keyCode || !event.modifiers) return platform::eventParameterNotFoundErr;
    const std::int64_t modifiers = reducedCarbonModifiers(*event.modifiers);
    for (const auto& [id, hotKey] : state().hotKeys) {
        if (hotKey.shortcut.carbonKeyCode == *event.keyCode && hotKey.shortcut.carbonModifiers == modifiers) {
            return invoke(hotKey, event.kind == platform::kEventRawKeyDown);
        }
    }
    return platform::eventNotHandledErr;
}

void CarbonHotkeys::resetForTesting() { state() = State{}; }

}  // namespace Hotkeys
