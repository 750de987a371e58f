#include "Hotkeys/HotkeysRegistration.h"

#include <algorithm>

#include "Hotkeys/CarbonHotkeys.h"
#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/RegistryState.h"

namespace Hotkeys {
namespace {

bool storesShortcut(const HandlerTable& table, const Shortcut& shortcut, const Name* leaving) {
    const auto names = table.names();
    return std::any_of(names.begin(), names.end(), [&](const Name& name) {
        return (leaving == nullptr || !(name == *leaving)) && loadShortcut(name) == shortcut;
    });
}

bool isInUse(const Shortcut& shortcut, const Name* leaving) {
    const RegistryState& state = RegistryState::shared();
    return storesShortcut(state.keyDownHandlers, shortcut, leaving) ||
           storesShortcut(state.keyUpHandlers, shortcut, leaving) ||
           storesShortcut(state.keyDownStreams, shortcut, leaving) ||
           storesShortcut(state.keyUpStreams, shortcut, leaving);
}

}  // namespace

void registerShortcut(const Shortcut& shortcut) {
    if (CarbonHotkeys::isRegistered(shortcut)) return;
    CarbonHotkeys::registerHotKey(shortcut, handleKeyDown, handleKeyUp);
}

void unregisterShortcut(const Shortcut& shortcut) { CarbonHotkeys::unregister(shortcut); }

void releaseShortcut(const Shortcut& shortcut, const Name* leaving) {
    if (isInUse(shortcut, leaving)) return;
    unregisterShortcut(shortcut);
}

}  // namespace Hotkeys
