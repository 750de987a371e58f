// Handlers per name, the global switches and the dispatch of a pressed shortcut
// to every name that stores it.
#include "Hotkeys/CarbonHotkeys.h"
#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/HotkeysRegistration.h"
#include "Hotkeys/RegistryState.h"
#include "Hotkeys/Services.h"
#include "Platform/HotKeys/MenuKeyMonitor.h"

namespace Hotkeys {
namespace {

RegistryState& state() { return RegistryState::shared(); }

void addHandler(HandlerTable& table, const Name& name, std::function<void()> action) {
    // An empty action would throw at the first press.
    if (!action) return;
    table.add(name, std::move(action));
    if (const auto shortcut = loadShortcut(name)) registerShortcut(*shortcut);
}

std::vector<Shortcut> storedShortcuts(const std::vector<Name>& names) {
    std::vector<Shortcut> result;
    for (const Name& name : names) {
        if (const auto shortcut = loadShortcut(name)) result.push_back(*shortcut);
    }
    return result;
}

// Names are bound to shortcuts only through their stored records, read at
// every press, so a changed record takes effect without re-adding handlers.
void runMatching(const HandlerTable& table, const Shortcut& shortcut) {
    for (const HandlerTable::Entry& entry : table.entries()) {
        if (loadShortcut(entry.name) != shortcut) continue;
        for (const auto& [id, action] : entry.actions) action();
    }
}

void dispatch(const Shortcut& shortcut, const HandlerTable& handlers, const HandlerTable& streams) {
    if (isPaused()) return;
    runMatching(handlers, shortcut);
    runMatching(streams, shortcut);
}

void setMenuOpen(bool open) {
    if (state().isMenuOpen == open) return;
    state().isMenuOpen = open;
    CarbonHotkeys::updateEventHandler();
}

}  // namespace

void onKeyDown(const Name& name, std::function<void()> action) {
    addHandler(state().keyDownHandlers, name, std::move(action));
}

void onKeyUp(const Name& name, std::function<void()> action) { addHandler(state().keyUpHandlers, name, std::move(action)); }

void removeHandler(const Name& name) {
    state().keyDownHandlers.remove(name);
    state().keyUpHandlers.remove(name);
    if (const auto shortcut = loadShortcut(name)) releaseShortcut(*shortcut);
}

void removeAllHandlers() {
    auto names = state().keyDownHandlers.names();
    const auto keyUpNames = state().keyUpHandlers.names();
    names.insert(names.end(), keyUpNames.begin(), keyUpNames.end());
    const auto used = storedShortcuts(names);
    state().keyDownHandlers.clear();
    state().keyUpHandlers.clear();
    for (const Shortcut& shortcut : used) releaseShortcut(shortcut);
}

void enable(const std::vector<Name>& names) {
    for (const Shortcut& shortcut : storedShortcuts(names)) registerShortcut(shortcut);
}

void disable(const std::vector<Name>& names) {
    for (const Shortcut& shortcut : storedShortcuts(names)) unregisterShortcut(shortcut);
}

bool isEnabled(const Name& name) {
    if (!state().isEnabled) return false;
    const auto shortcut = loadShortcut(name);
    return shortcut && CarbonHotkeys::isRegistered(*shortcut);
}

bool isEnabled() { return state().isEnabled; }

void setEnabled(bool enabled) {
    if (state().isEnabled == enabled) return;
    state().isEnabled = enabled;
    CarbonHotkeys::updateEventHandler();
}

bool pause(const void* owner) {
    if (state().pausedBy) return false;
    state().pausedBy = owner;
    CarbonHotkeys::updateEventHandler();
    return true;
}

void resume(const void* owner) {
    if (state().pausedBy != owner) return;
    state().pausedBy.reset();
    CarbonHotkeys::updateEventHandler();
}

bool isPaused() { return state().pausedBy.has_value(); }

bool isMenuOpen() { return state().isMenuOpen; }

std::vector<Shortcut> registeredShortcuts() { return CarbonHotkeys::registeredShortcuts(); }

void handleKeyDown(const Shortcut& shortcut) {
    dispatch(shortcut, state().keyDownHandlers, state().keyDownStreams);
}

void handleKeyUp(const Shortcut& shortcut) { dispatch(shortcut, state().keyUpHandlers, state().keyUpStreams); }

// Observers without a queue run inside the post, so the hot keys are released
// before the menu starts taking keys.
void initializeOnce() {
    RegistryState& st = state();
    if (st.isInitialized) return;
    platform::NotificationCenter& center = notificationCenter();
    st.menuTrackingBeganObserver = center.addObserver(platform::kMenuDidBeginTrackingNotification, nullptr,
                                                      [](const platform::Notification&) { setMenuOpen(true); });
    st.menuTrackingEndedObserver = center.addObserver(platform::kMenuDidEndTrackingNotification, nullptr,
                                                      [](const platform::Notification&) { setMenuOpen(false); });
    st.isInitialized = true;
}

void resetStateForTesting() {
    state() = RegistryState{};
    CarbonHotkeys::resetForTesting();
}

}  // namespace Hotkeys
