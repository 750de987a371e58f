#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Hotkeys/CarbonHotkeys.h"
#include "Hotkeys/DecodedShortcuts.h"
#include "Hotkeys/Environment.h"
#include "Hotkeys/HandlerTable.h"
#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/OwningThread.h"
#include "Hotkeys/RegistryOperations.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace hotkeys {

// Everything the shortcut package keeps between calls: the environment's
// services, the handlers and live streams per name, the global switches and
// the hot-key registrations. The program makes one at start-up, before the
// first name, and keeps it for the run; each test makes its own.
//
// Making a registry installs it: the package's free functions, names and
// shortcut descriptions use the installed one. Registries nest: when one goes,
// the registry installed before it is back, so they go in the reverse order
// of their making (a test's own inside the program's); one that goes out of
// that order is a misuse and leaves none installed. Using the package while
// none is installed is a programming error: it is reported as a misuse and the
// call does nothing, so nothing reads or writes a settings file the program
// did not choose.
//
// Main thread only: every operation checks that it runs on the thread that made
// the registry and reports a call from any other as a misuse.
class Registry {
public:
    explicit Registry(Environment environment);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The installed registry, or null after reporting a misuse that names the
    // calling function.
    static Registry* installed(const char* caller = __builtin_FUNCTION());

    platform::KeyboardLayout* keyboardLayout() const;

#define TESSIVAR_HOTKEYS_MEMBER(result, function, parameters, arguments, qualifier) \
    result function parameters qualifier;
    TESSIVAR_HOTKEYS_OPERATIONS(TESSIVAR_HOTKEYS_MEMBER)
#undef TESSIVAR_HOTKEYS_MEMBER

    // The settings were read again from a file edited outside: each name in use
    // gets the hot key it stores now, the ones no name stores any more are let
    // go, and when that changed anything each name's change is posted.
    void followStoredShortcuts();

    // The hot-key service side, for the package and its tests.
    CarbonHotkeys& hotKeys();

private:
    class Subscription;

    // Registration steps that storage, handlers and streams share.
    void registerShortcut(const Shortcut& shortcut);
    void unregisterShortcut(const Shortcut& shortcut);
    // Unregisters the shortcut unless a name with handlers or a live stream still
    // stores it. `leaving` is the name that is giving the shortcut up and does not
    // count: names that store one shortcut share its hot key, so one of them
    // letting go must not silence the others.
    void releaseShortcut(const Shortcut& shortcut, const Name* leaving = nullptr);
    bool isInUse(const Shortcut& shortcut, const Name* leaving);
    bool storesShortcut(const HandlerTable& table, const Shortcut& shortcut, const Name* leaving);
    std::vector<Shortcut> storedShortcuts(const std::vector<Name>& names);
    std::vector<Name> namesInUse() const;

    void addHandler(HandlerTable& table, const Name& name, std::function<void()> action);
    void runMatching(const HandlerTable& table, const Shortcut& shortcut);
    void handleShortcutEvent(const Shortcut& shortcut, const HandlerTable& handlers, const HandlerTable& streams);
    void setMenuOpen(bool open);
    CarbonHotkeys::Mode mode() const;

    std::optional<Shortcut> readRecord(const Name& name, const nlohmann::json& value) const;
    void clearShortcut(const Name& name, bool keepCleared);

    void addStreamContinuation(const Name& name, std::uint64_t id, const std::function<void(EventType)>& onEvent);
    void removeStreamContinuation(const Name& name, std::uint64_t id);

    Environment environment_;
    OwningThread thread_;
    Registry* previouslyInstalled_ = nullptr;

    HandlerTable keyDownHandlers_;
    HandlerTable keyUpHandlers_;
    HandlerTable keyDownStreamContinuations_;
    HandlerTable keyUpStreamContinuations_;
    std::uint64_t streamCounter_ = 0;

    bool isEnabled_ = true;
    // The recorder that paused the hot keys; only it may resume them.
    std::optional<const void*> pausedBy_;
    bool isMenuOpen_ = false;

    bool isInitialized_ = false;
    platform::ObserverTokenPtr menuTrackingBeganObserver_;
    platform::ObserverTokenPtr menuTrackingEndedObserver_;

    CarbonHotkeys hotKeys_;
    // Read on every key press, by a const reader.
    mutable DecodedShortcuts decodedShortcuts_;
    // Work queued on the main queue holds this weakly.
    std::shared_ptr<Registry*> self_ = std::make_shared<Registry*>(this);
};

}  // namespace hotkeys
