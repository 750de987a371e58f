#include "Hotkeys/MenuItem.h"

#include "Hotkeys/Private/Capitalization.h"

namespace hotkeys {

namespace {

bool matches(const MenuItem& item, const std::string& keyEquivalent, ModifierFlags flags) {
    std::string equivalent = item.keyEquivalent;
    ModifierFlags mask = item.keyEquivalentModifierMask;
    if (flags.contains(ModifierFlags::shift)) {
        const std::string lower = lowercased(equivalent);
        if (lower != equivalent) {
            equivalent = lower;
            mask.rawValue |= ModifierFlags::shift;
        }
    }
    return equivalent == keyEquivalent && mask == flags;
}

const MenuItem* search(const std::vector<MenuItem>& menu, const std::string& keyEquivalent, ModifierFlags flags) {
    for (const auto& item : menu) {
        if (matches(item, keyEquivalent, flags)) return &item;
        if (const MenuItem* inner = search(item.submenu, keyEquivalent, flags)) return inner;
    }
    return nullptr;
}

}  // namespace

const MenuItem* matchingMenuItem(const Shortcut& shortcut, const std::vector<MenuItem>& menu) {
    const auto keyEquivalent = shortcut.keyEquivalent();
    if (!keyEquivalent || keyEquivalent->empty()) return nullptr;
    return search(menu, *keyEquivalent, shortcut.modifiers());
}

}  // namespace hotkeys
