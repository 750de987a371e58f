#pragma once
#include <cstdint>
#include <optional>

namespace platform {

// Where the pointer was when the input event being handled now happened, as
// the event itself tells it: reading it costs nothing, where asking the server
// for the pointer is a round trip on the press path.
struct EventPointerPosition {
    int x = 0;  // root window, device pixels
    int y = 0;
    std::uint64_t event = 0;  // tells one event from the next, counting from 1
    friend bool operator==(const EventPointerPosition&, const EventPointerPosition&) = default;
};

class EventPointer {
public:
    virtual ~EventPointer() = default;

    // Present only while an event that carries the pointer's position is being
    // handed to its handlers.
    virtual std::optional<EventPointerPosition> pointerAtCurrentEvent() const = 0;
};

}  // namespace platform
