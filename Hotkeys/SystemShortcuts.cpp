#include "Hotkeys/SystemShortcuts.h"

#include <algorithm>

#include "Hotkeys/Private/AcceleratorReader.h"
#include "Platform/HotKeys/DesktopKeyBindings.h"
#include "Platform/HotKeys/HotKeyService.h"

namespace hotkeys {

SystemShortcuts::SystemShortcuts(platform::HotKeyService* hotKeys, platform::DesktopKeyBindings* bindings,
                                 platform::KeyboardLayout* layout)
    : hotKeys_(hotKeys), bindings_(bindings), layout_(layout) {}

std::vector<Shortcut> SystemShortcuts::systemShortcuts() const {
    if (!bindings_) return {};
    const AcceleratorReader reader(layout_);
    std::vector<Shortcut> shortcuts;
    for (const auto& accelerator : bindings_->accelerators()) {
        if (const auto shortcut = reader.read(accelerator)) shortcuts.push_back(*shortcut);
    }
    return shortcuts;
}

bool SystemShortcuts::isTaken(const Shortcut& shortcut) const {
    if (isGrabbedElsewhere(shortcut)) return true;
    const auto bound = systemShortcuts();
    return std::find(bound.begin(), bound.end(), shortcut) != bound.end();
}

// Only "someone holds it" counts: a key this keyboard lacks, or a modifier the
// server cannot grab, is refused too but is no other program's shortcut.
bool SystemShortcuts::isGrabbedElsewhere(const Shortcut& shortcut) const {
    if (!hotKeys_ || shortcut.carbonKeyCode < 0 || shortcut.carbonKeyCode > 0xFFFF) return false;
    platform::EventHotKeyRef ref = 0;
    const platform::OSStatus status =
        hotKeys_->registerHotKey(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                                 static_cast<std::uint32_t>(shortcut.carbonModifiers), {kProbeSignature, 0}, &ref);
    // Refused only for a reference the service does not know; this one it just gave.
    if (status == platform::noErr && ref != 0) (void)hotKeys_->unregisterHotKey(ref);
    return status == platform::eventHotKeyExistsErr;
}

}  // namespace hotkeys
