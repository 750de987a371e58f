#pragma once
#include <chrono>
#include <functional>
#include <ostream>
#include <vector>

#include "Platform/X11/X11HotKeyService.h"

namespace tessivar::testing {

struct SeenHotKey {
    std::uint32_t kind = 0;
    std::uint32_t id = 0;
    friend bool operator==(const SeenHotKey&, const SeenHotKey&) = default;
    friend std::ostream& operator<<(std::ostream& out, const SeenHotKey& seen) {
        return out << (seen.kind == platform::kEventHotKeyPressed ? "down " : "up ") << seen.id;
    }
};

inline SeenHotKey down(std::uint32_t id) { return {platform::kEventHotKeyPressed, id}; }
inline SeenHotKey up(std::uint32_t id) { return {platform::kEventHotKeyReleased, id}; }

// Lets the service read and dispatch its events, waiting on its connection
// between rounds, until `condition` holds or `timeout` has passed.
bool pumpUntil(platform::X11HotKeyService& service, const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

// An event handler on a service that takes both hot-key kinds and keeps what
// it is given; it leaves every event unhandled, so later handlers get it too.
class HotKeyRecorder {
public:
    explicit HotKeyRecorder(platform::X11HotKeyService& service);

    platform::EventHandlerRef handler() const { return handler_; }
    const std::vector<SeenHotKey>& seen() const { return seen_; }
    bool hasSeen(const SeenHotKey& event) const;
    // Everything seen but the events of hot key `id`.
    std::vector<SeenHotKey> seenExcept(std::uint32_t id) const;

private:
    platform::EventHandlerRef handler_ = 0;
    std::vector<SeenHotKey> seen_;
};

}  // namespace tessivar::testing
