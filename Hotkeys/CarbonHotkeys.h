#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "Hotkeys/Environment.h"
#include "Hotkeys/OwningThread.h"
#include "Hotkeys/Shortcut.h"
#include "Platform/HotKeys/HotKeyService.h"

namespace hotkeys {

// The one place where shortcuts meet the window system's hot-key service: one
// record per registration, one event handler for all of them, and the menu key
// monitor while a menu holds the keyboard. It knows nothing of names; the
// registry that owns it decides what is registered and passes its dispatch as
// the callbacks. Main thread only.
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

    // The owner's switches as the grabs follow them: active when enabled and
    // not paused.
    struct Mode {
        bool active = true;
        bool menuOpen = false;
    };

    static constexpr std::uint32_t kSignature = 0x53534B53;  // "SSKS"

    CarbonHotkeys(const Environment& environment, const OwningThread& thread, std::function<Mode()> mode);
    // Gives back every grab it holds; the handler it installed answers nothing from then on.
    ~CarbonHotkeys();
    CarbonHotkeys(const CarbonHotkeys&) = delete;
    CarbonHotkeys& operator=(const CarbonHotkeys&) = delete;

    // Takes the next id (used up even when the service refuses) and grabs the
    // shortcut. A refusal prints "Error registering hotkey <description>: <status>"
    // to standard output (once per run for each shortcut and status), keeps
    // nothing and answers false.
    bool registerHotKey(const Shortcut& shortcut, Callback onKeyDown, Callback onKeyUp);
    // Drops every record of the shortcut; nothing happens when there is none.
    void unregister(const Shortcut& shortcut);
    // Brings grabs, the handler's event kinds and the menu key monitor in line
    // with the owner's mode.
    void updateEventHandler();

    // Whether a record holds the shortcut, grabbed or suspended.
    bool isRegistered(const Shortcut& shortcut) const;
    std::vector<Shortcut> registeredShortcuts() const;

    // The installed event handler: hot-key kinds go to the hot-key match, raw
    // key kinds to the raw-key match; anything else is not ours.
    platform::OSStatus handleEvent(const platform::KeyboardEvent& event);
    // The menu key monitor's callback: true when a record took the key.
    bool handleMenuKeyEvent(const platform::KeyboardEvent& event);

private:
    platform::OSStatus handleHotKeyEvent(const platform::KeyboardEvent& event);
    platform::OSStatus handleRawKeyEvent(const platform::KeyboardEvent& event);
    void registerAllHotKeys();
    void installEventHandler();
    [[nodiscard]] platform::OSStatus grab(const Shortcut& shortcut, std::uint32_t id,
                                          platform::EventHotKeyRef* ref) const;
    std::optional<platform::EventHotKeyRef> registerWithService(const Shortcut& shortcut, std::uint32_t id);
    void printRefusal(const Shortcut& shortcut, platform::OSStatus status);
    void release(HotKey& hotKey) const;
    void suspendAll();
    void setHotKeyKindsAdded(bool added) const;
    void setMenuTrackingMonitorRunning(bool running);

    const Environment& environment_;
    const OwningThread& thread_;
    std::function<Mode()> mode_;
    // Ordered by id, so the raw-key match prefers the oldest registration.
    std::map<std::uint32_t, HotKey> hotKeys_;
    std::uint32_t hotKeyIdCounter_ = 0;
    platform::EventHandlerRef eventHandler_ = 0;
    // Key code, mask and status of every refusal printed so far.
    std::set<std::tuple<std::int64_t, std::int64_t, platform::OSStatus>> printedRefusals_;
    // The service and the monitor keep our callbacks; they hold this weakly.
    std::shared_ptr<CarbonHotkeys*> self_ = std::make_shared<CarbonHotkeys*>(this);
};

}  // namespace hotkeys
