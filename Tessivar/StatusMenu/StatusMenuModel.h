#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Hotkeys/ModifierFlags.h"
#include "Hotkeys/Shortcut.h"
#include "Platform/Desktop/Screen.h"

namespace tessivar {

enum class MenuAction { none, jumpToOtherScreen, jumpToSpecificScreen, showOnboarding, openHotKeySettings, quitApp };

// One entry of the status menu, as the renderer shows it.
struct MenuItemModel {
    bool isSeparator = false;
    std::string title;
    MenuAction action = MenuAction::none;
    int tag = 0;
    std::string keyEquivalent;  // empty: none
    hotkeys::ModifierFlags keyEquivalentModifiers{hotkeys::ModifierFlags::command};
    std::string symbolName;  // the system symbol the entry shows
    // A display's shortcut, shown whole: a keypad key has no key equivalent
    // and still shows as one.
    std::optional<hotkeys::Shortcut> shortcut;

    static MenuItemModel separator() {
        MenuItemModel entry;
        entry.isSeparator = true;
        entry.keyEquivalentModifiers = {};
        return entry;
    }
};

// The status item and its menu, built from scratch from the displays and the
// display shortcuts each time a shortcut changes.
struct StatusMenuModel {
    static constexpr const char* kStatusSymbol = "inset.filled.rectangle.and.pointer.arrow";
    static constexpr const char* kStatusFallbackTitle = "⚡️";
    static constexpr const char* kAccessibilityDescription = "Tessivar";

    std::vector<MenuItemModel> items;

    // `shortcutForScreen(i)` answers the stored shortcut of display i's name, for
    // the first eight displays.
    static StatusMenuModel build(const std::vector<platform::Screen>& screens,
                                 const std::function<std::optional<hotkeys::Shortcut>(std::size_t)>& shortcutForScreen);

    // "laptopcomputer" for names that look like a built-in panel, else "display".
    static std::string symbolForDisplay(const std::string& localizedName);
};

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
