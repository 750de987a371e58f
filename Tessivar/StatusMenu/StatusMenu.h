#pragma once

namespace tessivar {

// The status item in the tray and its menu, built from the current displays and shortcuts.
class StatusMenu {
public:
    virtual ~StatusMenu() = default;
    // Puts the item in the tray, once, and says so when there is no tray yet;
    // its menu comes with the next rebuild.
    virtual void show() = 0;
    // Rebuilds the menu (showing the item first if it is not yet shown).
    virtual void rebuild() = 0;
};

}  // namespace tessivar
