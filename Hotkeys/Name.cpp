#include "Hotkeys/Name.h"

#include "Hotkeys/Hotkeys.h"

namespace Hotkeys {

Name::Name(std::string raw) : rawValue(std::move(raw)) { initializeOnce(); }

// The default is stored on first launch and again whenever the record was
// deleted; a stored false (the user removed the shortcut) or an unreadable
// record keeps it away.
Name::Name(std::string raw, std::optional<Shortcut> defaultValue)
    : rawValue(std::move(raw)), defaultShortcut(std::move(defaultValue)) {
    if (defaultShortcut && !hasStoredValue(*this)) saveShortcut(*defaultShortcut, *this);
    initializeOnce();
}

}  // namespace Hotkeys
