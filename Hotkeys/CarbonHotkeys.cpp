#include "Hotkeys/CarbonHotkeys.h"

#include <algorithm>
#include <limits>

#include "Platform/Foundation/Log.h"
#include "Platform/HotKeys/MenuKeyMonitor.h"

namespace hotkeys {
namespace {

using platform::EventHotKeyRef;
using platform::KeyboardEvent;
using platform::OSStatus;

const std::vector<platform::EventTypeSpec> kHotKeyEventTypes{
    {platform::kEventClassKeyboard, platform::kEventHotKeyPressed},
    {platform::kEventClassKeyboard, platform::kEventHotKeyReleased},
};

bool fitsServiceWidth(std::int64_t value) {
    return value >= 0 && value <= static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max());
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

CarbonHotkeys::CarbonHotkeys(const Environment& environment, const OwningThread& thread, std::function<Mode()> mode)
    : environment_(environment), thread_(thread), mode_(std::move(mode)) {}

CarbonHotkeys::~CarbonHotkeys() { suspendAll(); }

// The service takes 32-bit values. A wider key code or mask (only an edited
// record can hold one) would be cut down to some other key, so it is refused,
// as is everything when the program runs without a hot-key service.
OSStatus CarbonHotkeys::grab(const Shortcut& shortcut, std::uint32_t id, EventHotKeyRef* ref) const {
    platform::HotKeyService* service = environment_.hotKeyService;
    if (service == nullptr || !fitsServiceWidth(shortcut.carbonKeyCode) ||
        !fitsServiceWidth(shortcut.carbonModifiers)) {
        return platform::eventHotKeyInvalidErr;
    }
    return service->registerHotKey(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                                   static_cast<std::uint32_t>(shortcut.carbonModifiers), {kSignature, id}, ref);
}

// A combination another program holds is refused at every try: when a name
// stores its default, again when its handler is added, again when a menu
// closes. The user needs to hear of each distinct refusal once per run.
void CarbonHotkeys::printRefusal(const Shortcut& shortcut, OSStatus status) {
    if (!printedRefusals_.emplace(shortcut.carbonKeyCode, shortcut.carbonModifiers, status).second) return;
    platform::Log::print("%@", "Error registering hotkey " + shortcut.description() + ": " + std::to_string(status));
}

// Answers the service's reference, or nothing after reporting the refusal.
std::optional<EventHotKeyRef> CarbonHotkeys::registerWithService(const Shortcut& shortcut, std::uint32_t id) {
    EventHotKeyRef ref = 0;
    const OSStatus status = grab(shortcut, id, &ref);
    if (status == platform::noErr && ref != 0) return ref;
    printRefusal(shortcut, status);
    return std::nullopt;
}

void CarbonHotkeys::release(HotKey& hotKey) const {
    if (hotKey.carbonHotKey == 0) return;
    // Refused only for a reference the service does not know, which then holds no grab to give back.
    platform::HotKeyService* service = environment_.hotKeyService;
    if (service != nullptr) (void)service->unregisterHotKey(hotKey.carbonHotKey);
    hotKey.carbonHotKey = 0;
}

void CarbonHotkeys::suspendAll() {
    for (auto& [id, hotKey] : hotKeys_) release(hotKey);
}

void CarbonHotkeys::setHotKeyKindsAdded(bool added) const {
    platform::HotKeyService* service = environment_.hotKeyService;
    if (service == nullptr) return;
    // Refused only for a handler that is not installed, which has no kinds to change.
    if (added) {
        (void)service->addEventTypes(eventHandler_, kHotKeyEventTypes);
        return;
    }
    (void)service->removeEventTypes(eventHandler_, kHotKeyEventTypes);
}

// The monitor may serve another registry in between (tests make several), so
// it is handed our callback each time it starts.
void CarbonHotkeys::setMenuTrackingMonitorRunning(bool running) {
    platform::MenuKeyMonitor* monitor = environment_.menuKeyMonitor;
    if (monitor == nullptr) return;
    if (!running) {
        monitor->stop();
        return;
    }
    monitor->setCallback([weak = std::weak_ptr(self_)](const KeyboardEvent& event) {
        const auto self = weak.lock();
        return self && (*self)->handleMenuKeyEvent(event);
    });
    monitor->start();
}

bool CarbonHotkeys::registerHotKey(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp) {
    const std::uint32_t id = ++hotKeyIdCounter_;
    const auto ref = registerWithService(shortcut, id);
    if (!ref) return false;
    hotKeys_.insert_or_assign(id, HotKey{shortcut, id, *ref, std::move(onKeyDown), std::move(onKeyUp)});
    installEventHandler();
    return true;
}

// The first handler comes with the first grab; its event kinds then follow the
// current state. A failed install is tried again with the next grab.
void CarbonHotkeys::installEventHandler() {
    platform::HotKeyService* service = environment_.hotKeyService;
    if (eventHandler_ != 0 || service == nullptr) return;
    platform::EventHandlerRef ref = 0;
    const auto handler = [weak = std::weak_ptr(self_)](const KeyboardEvent& event) {
        const auto self = weak.lock();
        return self ? (*self)->handleEvent(event) : platform::eventNotHandledErr;
    };
    const OSStatus status = service->installEventHandler(handler, &ref);
    if (status != platform::noErr || ref == 0) return;
    eventHandler_ = ref;
    updateEventHandler();
}

void CarbonHotkeys::unregister(const Shortcut& shortcut) {
    for (auto it = hotKeys_.begin(); it != hotKeys_.end();) {
        if (it->second.shortcut != shortcut) {
            ++it;
            continue;
        }
        release(it->second);
        it = hotKeys_.erase(it);
    }
}

void CarbonHotkeys::updateEventHandler() {
    if (eventHandler_ == 0) return;
    const Mode mode = mode_();
    if (mode.active && !mode.menuOpen) {
        registerAllHotKeys();
        setMenuTrackingMonitorRunning(false);
        setHotKeyKindsAdded(true);
        return;
    }
    // The records stay, so every hot key comes back under its old id.
    suspendAll();
    setHotKeyKindsAdded(false);
    setMenuTrackingMonitorRunning(mode.active);
}

// A record the service no longer accepts is dropped, which also takes its
// shortcut out of the registered ones.
void CarbonHotkeys::registerAllHotKeys() {
    std::vector<std::uint32_t> suspended;
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey.carbonHotKey == 0) suspended.push_back(id);
    }
    for (const std::uint32_t id : suspended) {
        const auto record = hotKeys_.find(id);
        if (record == hotKeys_.end()) continue;
        const auto ref = registerWithService(record->second.shortcut, id);
        if (ref) {
            record->second.carbonHotKey = *ref;
            continue;
        }
        hotKeys_.erase(record);
    }
}

bool CarbonHotkeys::isRegistered(const Shortcut& shortcut) const {
    return std::any_of(hotKeys_.begin(), hotKeys_.end(),
                       [&shortcut](const auto& item) { return item.second.shortcut == shortcut; });
}

std::vector<Shortcut> CarbonHotkeys::registeredShortcuts() const {
    std::vector<Shortcut> result;
    for (const auto& [id, hotKey] : hotKeys_) {
        if (std::find(result.begin(), result.end(), hotKey.shortcut) == result.end()) result.push_back(hotKey.shortcut);
    }
    return result;
}

platform::OSStatus CarbonHotkeys::handleEvent(const KeyboardEvent& event) {
    thread_.check();
    if (event.kind == platform::kEventHotKeyPressed || event.kind == platform::kEventHotKeyReleased) {
        return handleHotKeyEvent(event);
    }
    return handleRawKeyEvent(event);
}

bool CarbonHotkeys::handleMenuKeyEvent(const KeyboardEvent& event) {
    thread_.check();
    return handleRawKeyEvent(event) == platform::noErr;
}

platform::OSStatus CarbonHotkeys::handleHotKeyEvent(const KeyboardEvent& event) {
    if (!event.hotKeyID) return platform::eventParameterNotFoundErr;
    // Other clients' hot keys pass on to their own handlers.
    if (event.hotKeyID->signature != kSignature) return platform::eventNotHandledErr;
    const auto record = hotKeys_.find(event.hotKeyID->id);
    if (record == hotKeys_.end()) return platform::eventNotHandledErr;
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
    for (const auto& [id, hotKey] : hotKeys_) {
        if (hotKey.shortcut.carbonKeyCode == *event.keyCode && hotKey.shortcut.carbonModifiers == modifiers) {
            return invoke(hotKey, event.kind == platform::kEventRawKeyDown);
        }
    }
    return platform::eventNotHandledErr;
}

}  // namespace hotkeys
