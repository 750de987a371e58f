#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "Hotkeys/Shortcut.h"
#include "Platform/HotKeys/HotKeyService.h"

namespace Hotkeys {

// The one place where shortcuts meet the window system's hot-key service: one
// record per registration, one event handler for all of them, and the menu key
// monitor while a menu holds the keyboard. It knows nothing of names; the facade
// decides what is registered and passes its dispatch as the callbacks. Main
// thread only.
class CarbonHotkeys {
public:
    using Callback = std::function<void(const Shortcut&)>;

    // One registration. It outlives menus, disabling and pauses without its
    // service reference (carbonHotKey 0) and gets it back under the same id.
    struct HotKey {
        Shortcut shortcut;
        std::uint32_t carbonHotKeyId = 0;
        platform::EventHotKeyRef carbonHotKey = 0;
        Callback onKeyDown;
        Callback onKeyUp;
    };

    static constexpr std::uint32_t kSignature = 0x53534B53;  // "SSKS"

    // Takes the next id (used up even when the service refuses) and grabs the
    // shortcut. A refusal prints "Error registering hotkey <description>: <status>"
    // to standard output (once per run for each shortcut and status), keeps
    // nothing and answers false.
    static bool registerHotKey(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp);
    // Drops every record of the shortcut; nothing happens when there is none.
    static void unregister(const Shortcut& shortcut);
    // Brings grabs, the handler's event kinds and the menu key monitor in line
    // with Hotkeys::isEnabled(), isPaused() and isMenuOpen().
    static void updateEventHandler();

    // Whether a record holds the shortcut, grabbed or suspended.
    static bool isRegistered(const Shortcut& shortcut);
    static std::vector<Shortcut> registeredShortcuts();

    // The installed event handler: hot-key kinds go to the hot-key match, raw
    // key kinds to the raw-key match; anything else is not ours.
    static platform::OSStatus handleEvent(const platform::KeyboardEvent& event);
    // The menu key monitor's callback: true when a record took the key.
    static bool handleMenuKeyEvent(const platform::KeyboardEvent& event);

    static void resetForTesting();

private:
    static platform::OSStatus handleHotKeyEvent(const platform::KeyboardEvent& event);
    static platform::OSStatus handleRawKeyEvent(const platform::KeyboardEvent& event);
    static void registerAllHotKeys();
    static void installEventHandler();
};

}  // namespace Hotkeys
