#pragma once
#include <optional>

#include "Hotkeys/HandlerTable.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace Hotkeys {

// What the facade keeps between calls: handlers and live streams per name, and
// the flags the hot-key service follows. Main thread only, so no lock.
struct RegistryState {
    HandlerTable keyDownHandlers;
    HandlerTable keyUpHandlers;
    HandlerTable keyDownStreams;
    HandlerTable keyUpStreams;

    bool isEnabled = true;
    // The recorder that paused the hot keys; only it may resume them.
    std::optional<const void*> pausedBy;
    bool isMenuOpen = false;

    bool isInitialized = false;
    platform::ObserverTokenPtr menuTrackingBeganObserver;
    platform::ObserverTokenPtr menuTrackingEndedObserver;

    static RegistryState& shared();
};

}  // namespace Hotkeys
