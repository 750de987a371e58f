#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform {

// The window system's hot-key service, in the shape the shortcut package
// expects of it: hot keys registered under an id with a signature, one event
// handler that receives the event kinds added to it, and status codes.
using OSStatus = std::int32_t;

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus eventNotHandledErr = -9874;
inline constexpr OSStatus eventHotKeyExistsErr = -9878;   // another client holds the combination
inline constexpr OSStatus eventHotKeyInvalidErr = -9879;  // the combination cannot exist here
inline constexpr OSStatus eventParameterNotFoundErr = -9870;

inline constexpr std::uint32_t kEventClassKeyboard = 0x6B657962;  // 'keyb'
inline constexpr std::uint32_t kEventRawKeyDown = 1;
inline constexpr std::uint32_t kEventRawKeyRepeat = 2;
inline constexpr std::uint32_t kEventRawKeyUp = 3;
inline constexpr std::uint32_t kEventRawKeyModifiersChanged = 4;
inline constexpr std::uint32_t kEventHotKeyPressed = 5;
inline constexpr std::uint32_t kEventHotKeyReleased = 6;

struct EventTypeSpec {
    std::uint32_t eventClass;
    std::uint32_t eventKind;
    friend bool operator==(const EventTypeSpec&, const EventTypeSpec&) = default;
};

struct EventHotKeyID {
    std::uint32_t signature;
    std::uint32_t id;
    friend bool operator==(const EventHotKeyID&, const EventHotKeyID&) = default;
};

// One keyboard event. Hot-key events carry the id of the hot key; raw key
// events carry the key code and the modifier mask (both in Carbon terms). A
// parameter the event does not have is absent, and reading it fails.
struct KeyboardEvent {
    std::uint32_t kind = 0;
    std::optional<EventHotKeyID> hotKeyID;
    std::optional<std::uint32_t> keyCode;
    std::optional<std::uint32_t> modifiers;
};

using EventHotKeyRef = std::uint64_t;   // 0: none
using EventHandlerRef = std::uint64_t;  // 0: none
using EventHandler = std::function<OSStatus(const KeyboardEvent& event)>;

class HotKeyService {
public:
    virtual ~HotKeyService() = default;

    // Grabs a key code (Carbon virtual key code) with a Carbon modifier mask
    // system-wide. On success *ref is set; the handler receives kEventHotKeyPressed
    // and kEventHotKeyReleased with `id` while those kinds are added to it.
    [[nodiscard]] virtual OSStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                                  EventHotKeyRef* ref) = 0;
    [[nodiscard]] virtual OSStatus unregisterHotKey(EventHotKeyRef ref) = 0;
    // Installs the handler with no event kinds; events arrive on the main thread.
    [[nodiscard]] virtual OSStatus installEventHandler(EventHandler handler, EventHandlerRef* ref) = 0;
    [[nodiscard]] virtual OSStatus addEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) = 0;
    [[nodiscard]] virtual OSStatus removeEventTypes(EventHandlerRef handler,
                                                    const std::vector<EventTypeSpec>& types) = 0;
};

}  // namespace platform
