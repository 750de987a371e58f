#pragma once
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Desktop/EventPointer.h"
#include "Platform/HotKeys/HotKeyEventSource.h"
#include "Platform/HotKeys/HotKeyService.h"
#include "Platform/X11/HotKeyEventHandlers.h"
#include "Platform/X11/X11ModifierMap.h"

struct _XDisplay;
union _XEvent;

namespace platform {

// System-wide hot keys on X11: passive key grabs on the root window of a
// connection of its own. The event loop watches the connection and calls
// processPendingEvents(), which hands hot-key presses and releases to the
// installed handlers on the calling (main) thread. While a press is handed
// on, the pointer's root position at the press is at hand without asking.
//
// Without a server every call answers an error status: registerHotKey
// eventHotKeyInvalidErr, the others eventNotHandledErr.
class X11HotKeyService : public HotKeyService, public HotKeyEventSource, public EventPointer {
public:
    // Opens $DISPLAY, or `displayName` when given.
    explicit X11HotKeyService(const char* displayName = nullptr);
    ~X11HotKeyService() override;
    X11HotKeyService(const X11HotKeyService&) = delete;
    X11HotKeyService& operator=(const X11HotKeyService&) = delete;

    bool isConnected() const { return display_ != nullptr; }

    // eventHotKeyExistsErr when another client (or another registration here)
    // holds the combination; eventHotKeyInvalidErr for a key this keyboard does
    // not have or a modifier X cannot grab (the function key).
    [[nodiscard]] OSStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                          EventHotKeyRef* ref) override;
    [[nodiscard]] OSStatus unregisterHotKey(EventHotKeyRef ref) override;
    [[nodiscard]] OSStatus installEventHandler(EventHandler handler, EventHandlerRef* ref) override;
    [[nodiscard]] OSStatus addEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) override;
    [[nodiscard]] OSStatus removeEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) override;

    int connectionNumber() const override;
    bool hasQueuedEvents() const override;
    void processPendingEvents() override;

    std::optional<EventPointerPosition> pointerAtCurrentEvent() const override { return pressPointer_; }

private:
    // What the server must hold for one registration.
    struct Grab {
        unsigned keyCode = 0;
        unsigned modifiers = 0;          // what a press must hold, locks aside
        std::vector<unsigned> variants;  // modifiers with each combination of locks
        friend bool operator==(const Grab&, const Grab&) = default;
    };
    struct Registration {
        std::uint32_t carbonKeyCode = 0;
        std::uint32_t carbonModifiers = 0;
        EventHotKeyID id{};
        Grab grab;
    };

    [[nodiscard]] OSStatus grabFor(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers, Grab* grab) const;
    bool isGrabbedHere(const Grab& grab) const;
    int grabKey(const Grab& grab);
    void ungrabKey(const Grab& grab);
    void handleEvent(_XEvent& event);
    void beginGrab(unsigned keyCode);
    void handlePress(unsigned keyCode, unsigned state, EventPointerPosition pointer);
    void handleRelease(unsigned keyCode);
    void handleMappingChange(_XEvent& event);
    void regrab(Registration& registration);
    void deliver(std::uint32_t kind, EventHotKeyRef ref);

    _XDisplay* display_ = nullptr;
    unsigned long root_ = 0;
    X11ModifierMap modifierMap_;
    std::map<EventHotKeyRef, Registration> registrations_;
    EventHotKeyRef lastRef_ = 0;
    // Keys whose press was delivered, by X key code, with the registration it
    // matched: the release belongs to it whatever the modifiers are by then.
    std::map<unsigned, EventHotKeyRef> pressedKeys_;
    // The key whose press started the server's grab of the keyboard for this
    // connection, while the grab lasts: it ends when that key comes up.
    std::optional<unsigned> grabbingKey_;
    HotKeyEventHandlers handlers_;
    // Set only while a press is delivered.
    std::optional<EventPointerPosition> pressPointer_;
    std::uint64_t pressCount_ = 0;
};

}  // namespace platform
