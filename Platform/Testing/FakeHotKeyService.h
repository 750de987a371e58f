#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/HotKeys/HotKeyService.h"

namespace platform {

// A hot-key service that writes every call down as one readable line
// ("register 18 2048 SSKS 1", "unregister 1", "install", "add 5 6",
// "remove 5 6"), hands out hot-key references from 1 up, and lets a test press the
// grabbed combinations. Like the window system, it refuses a combination that
// is already grabbed (eventHotKeyExistsErr) and delivers an event only when the
// handler has its kind added.
class FakeHotKeyService : public HotKeyService {
public:
    [[nodiscard]] OSStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                          EventHotKeyRef* ref) override;
    [[nodiscard]] OSStatus unregisterHotKey(EventHotKeyRef ref) override;
    [[nodiscard]] OSStatus installEventHandler(EventHandler handler, EventHandlerRef* ref) override;
    [[nodiscard]] OSStatus addEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) override;
    [[nodiscard]] OSStatus removeEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) override;

    // Open for other fakes to write into, so one list shows the whole sequence.
    std::vector<std::string>& calls() { return calls_; }
    // The calls so far; the list starts empty again.
    std::vector<std::string> takeCalls();

    // The next `times` registrations of the key code answer `status` and grab nothing.
    void refuseKey(std::uint32_t keyCode, OSStatus status, int times = 1);
    // The next handler install answers `status` and installs nothing.
    void refuseInstall(OSStatus status) { installRefusal_ = status; }

    // What the user's press or release of a combination does: the hot-key event
    // of the grab that holds it. Answers the handler's status, or nothing when no
    // event reached a handler.
    std::optional<OSStatus> press(std::uint32_t keyCode, std::uint32_t modifiers);
    std::optional<OSStatus> release(std::uint32_t keyCode, std::uint32_t modifiers);
    // Any event, as the service would hand it to the installed handler.
    std::optional<OSStatus> deliver(const KeyboardEvent& event);

    bool isGrabbed(std::uint32_t keyCode, std::uint32_t modifiers) const;
    std::size_t grabCount() const { return grabs_.size(); }
    bool isKindAdded(std::uint32_t kind) const;

private:
    struct Grab {
        EventHotKeyRef ref;
        std::uint32_t keyCode;
        std::uint32_t modifiers;
        EventHotKeyID id;
    };
    struct Refusal {
        OSStatus status;
        int remaining;
    };

    std::optional<OSStatus> sendHotKey(std::uint32_t kind, std::uint32_t keyCode, std::uint32_t modifiers);
    const Grab* findGrab(std::uint32_t keyCode, std::uint32_t modifiers) const;
    std::optional<OSStatus> takeRefusal(std::uint32_t keyCode);
    void logTypes(const char* verb, const std::vector<EventTypeSpec>& types);

    std::vector<std::string> calls_;
    std::vector<Grab> grabs_;
    std::map<std::uint32_t, Refusal> refusals_;
    std::optional<OSStatus> installRefusal_;
    EventHotKeyRef nextRef_ = 1;
    EventHandlerRef nextHandlerRef_ = 1;
    EventHandlerRef handlerRef_ = 0;
    EventHandler handler_;
    std::vector<EventTypeSpec> addedTypes_;
};

}  // namespace platform
