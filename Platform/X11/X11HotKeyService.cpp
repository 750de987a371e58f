#include "Platform/X11/X11HotKeyService.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <algorithm>

#include "Platform/X11/Private/X11ErrorTrap.h"
#include "Platform/X11/Private/X11KeyMap.h"
#include "Platform/X11/X11ConnectionLoss.h"

namespace platform {
namespace {

constexpr std::uint32_t kLargestCarbonKeyCode = 0xFFFF;

OSStatus statusForGrabError(int error) {
    if (error == 0) return noErr;
    return error == BadAccess ? eventHotKeyExistsErr : eventHotKeyInvalidErr;
}

}  // namespace

X11HotKeyService::X11HotKeyService(const char* displayName) : display_(XOpenDisplay(displayName)) {
    if (!display_) return;
    X11ConnectionLoss::watch(display_);
    root_ = DefaultRootWindow(display_);
    // A held key then repeats as presses alone, without the releases in
    // between that would read as letting go.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(display_, True, &supported);
    // An XKB client hears of keymap changes only when it asks; Xlib then also
    // hands it the core MappingNotify that handleMappingChange reads.
    constexpr unsigned kMapEvents = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
    XkbSelectEvents(display_, XkbUseCoreKbd, kMapEvents, kMapEvents);
    modifierMap_ = X11ModifierMap::read(display_);
}

X11HotKeyService::~X11HotKeyService() {
    if (!display_) return;
    // Closing the connection releases its grabs on the server.
    X11ConnectionLoss::forget(display_);
    XCloseDisplay(display_);
}

OSStatus X11HotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                          EventHotKeyRef* ref) {
    Grab grab;
    if (const OSStatus status = grabFor(keyCode, modifiers, &grab); status != noErr) return status;
    // The server lets a client grab what it already holds, so a second
    // registration of one combination would pass there and then take the
    // first one's grab with it when either is unregistered.
    if (isGrabbedHere(grab)) return eventHotKeyExistsErr;
    if (const OSStatus status = statusForGrabError(grabKey(grab)); status != noErr) return status;
    registrations_.emplace(++lastRef_, Registration{keyCode, modifiers, id, std::move(grab)});
    if (ref) *ref = lastRef_;
    return noErr;
}

OSStatus X11HotKeyService::unregisterHotKey(EventHotKeyRef ref) {
    const auto registration = registrations_.find(ref);
    if (registration == registrations_.end()) return eventHotKeyInvalidErr;
    ungrabKey(registration->second.grab);
    // A press already delivered gets no release now: deliver finds the ref gone.
    registrations_.erase(registration);
    return noErr;
}

OSStatus X11HotKeyService::installEventHandler(EventHandler handler, EventHandlerRef* ref) {
    if (!display_ || !handler) return eventNotHandledErr;
    const EventHandlerRef installed = handlers_.install(std::move(handler));
    if (ref) *ref = installed;
    return noErr;
}

OSStatus X11HotKeyService::addEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) {
    return handlers_.addTypes(handler, types);
}

OSStatus X11HotKeyService::removeEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) {
    return handlers_.removeTypes(handler, types);
}

int X11HotKeyService::connectionNumber() const { return display_ ? ConnectionNumber(display_) : -1; }

bool X11HotKeyService::hasQueuedEvents() const { return display_ && XEventsQueued(display_, QueuedAlready) > 0; }

void X11HotKeyService::processPendingEvents() {
    if (!display_) return;
    // XPending reads what the socket holds without waiting for more.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        handleEvent(event);
    }
}

OSStatus X11HotKeyService::grabFor(std::uint32_t carbonKeyCode, std::uint32_t carbonModifiers, Grab* grab) const {
    if (!display_ || carbonKeyCode > kLargestCarbonKeyCode) return eventHotKeyInvalidErr;
    const std::optional<unsigned> keyCode = X11KeyMap::x11KeyCode(display_, static_cast<int>(carbonKeyCode));
    const std::optional<unsigned> modifiers = modifierMap_.x11Modifiers(carbonModifiers);
    if (!keyCode || !modifiers) return eventHotKeyInvalidErr;
    grab->keyCode = *keyCode;
    grab->modifiers = *modifiers;
    grab->variants.clear();
    for (const unsigned locks : modifierMap_.lockCombinations()) grab->variants.push_back(*modifiers | locks);
    return noErr;
}

bool X11HotKeyService::isGrabbedHere(const Grab& grab) const {
    return std::any_of(registrations_.begin(), registrations_.end(), [&](const auto& registration) {
        const Grab& held = registration.second.grab;
        return held.keyCode == grab.keyCode && held.modifiers == grab.modifiers;
    });
}

// Grabs every variant or none: a refused variant undoes the others, since a
// hot key that fires only while NumLock is off would look random to the user.
int X11HotKeyService::grabKey(const Grab& grab) {
    const int error = X11ErrorTrap::firstError(display_, [&] {
        for (const unsigned modifiers : grab.variants) {
            XGrabKey(display_, static_cast<int>(grab.keyCode), modifiers, root_, False, GrabModeAsync, GrabModeAsync);
        }
    });
    // Ungrabbing only ever drops this client's own grabs, so undoing every
    // variant cannot touch the other client's.
    if (error != 0) ungrabKey(grab);
    return error;
}

void X11HotKeyService::ungrabKey(const Grab& grab) {
    X11ErrorTrap::firstError(display_, [&] {
        for (const unsigned modifiers : grab.variants) {
            XUngrabKey(display_, static_cast<int>(grab.keyCode), modifiers, root_);
        }
    });
}

void X11HotKeyService::handleEvent(XEvent& event) {
    switch (event.type) {
    case KeyPress:
        if (!grabbingKey_) beginGrab(event.xkey.keycode);
        handlePress(event.xkey.keycode, event.xkey.state, {event.xkey.x_root, event.xkey.y_root, ++pressCount_});
        return;
    case KeyRelease:
        handleRelease(event.xkey.keycode);
        if (grabbingKey_ == event.xkey.keycode) grabbingKey_.reset();
        return;
    case MappingNotify: handleMappingChange(event); return;
    default: return;
    }
}

// Only a grab brings this connection key events, so a press while none runs
// is one of ours taking the keyboard. A key marked held from an earlier grab
// went down inside it and came up after it ended (fingers rolling from one hot
// key onto the next), its release going to the focused window: it is up.
void X11HotKeyService::beginGrab(unsigned keyCode) {
    grabbingKey_ = keyCode;
    while (!pressedKeys_.empty()) handleRelease(pressedKeys_.begin()->first);
}

void X11HotKeyService::handlePress(unsigned keyCode, unsigned state, EventPointerPosition pointer) {
    // A key already down repeats or is pressed again without a release in
    // between: the hot key is still the one held.
    if (pressedKeys_.contains(keyCode)) return;
    const unsigned modifiers = modifierMap_.significantModifiers(state);
    const auto registration = std::find_if(registrations_.begin(), registrations_.end(), [&](const auto& entry) {
        return entry.second.grab.keyCode == keyCode && entry.second.grab.modifiers == modifiers;
    });
    if (registration == registrations_.end()) return;
    pressedKeys_.emplace(keyCode, registration->first);
    pressPointer_ = pointer;
    deliver(kEventHotKeyPressed, registration->first);
    pressPointer_.reset();
}

void X11HotKeyService::handleRelease(unsigned keyCode) {
    const auto pressed = pressedKeys_.find(keyCode);
    if (pressed == pressedKeys_.end()) return;
    const EventHotKeyRef ref = pressed->second;
    pressedKeys_.erase(pressed);
    deliver(kEventHotKeyReleased, ref);
}

// Another client changed the keymap (setxkbmap, xmodmap): Alt may sit on
// another bit now, or NumLock may have come or gone, and grabs made for the
// old map would no longer match what the keyboard sends.
void X11HotKeyService::handleMappingChange(XEvent& event) {
    XRefreshKeyboardMapping(&event.xmapping);
    if (event.xmapping.request == MappingPointer) return;
    modifierMap_ = X11ModifierMap::read(display_);
    for (auto& [ref, registration] : registrations_) regrab(registration);
}

void X11HotKeyService::regrab(Registration& registration) {
    Grab wanted;
    const OSStatus possible = grabFor(registration.carbonKeyCode, registration.carbonModifiers, &wanted);
    if (possible == noErr && wanted == registration.grab) return;
    ungrabKey(registration.grab);
    // Impossible under the new map (Super gone) or refused (another client
    // was quicker): the registration stays, so unregistering it still works,
    // but it holds nothing on the server and matches no press.
    if (possible != noErr || grabKey(wanted) != 0) wanted = Grab{};
    registration.grab = std::move(wanted);
}

void X11HotKeyService::deliver(std::uint32_t kind, EventHotKeyRef ref) {
    const auto registration = registrations_.find(ref);
    if (registration == registrations_.end()) return;
    KeyboardEvent event;
    event.kind = kind;
    event.hotKeyID = registration->second.id;
    handlers_.dispatch(event);
}

}  // namespace platform
