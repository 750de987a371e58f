#pragma once
#include <chrono>
#include <cstdint>
#include <optional>

namespace zerazov {

// Tells a transfer that stopped from one that is merely slow: it has stalled once
// no byte went either way for the whole timeout, however long it ran before.
class ZeraZovIdleTimer {
public:
    using Time = std::chrono::steady_clock::time_point;

    explicit ZeraZovIdleTimer(std::chrono::milliseconds timeout) : timeout_(timeout) {}

    // Given the bytes moved so far, both ways, as of `now`: true once that count stood
    // still for the timeout. The first reading starts the clock.
    bool hasStalled(std::int64_t movedBytes, Time now);

    std::chrono::milliseconds timeout() const { return timeout_; }

private:
    std::chrono::milliseconds timeout_;
    std::optional<std::int64_t> movedBytes_;
    Time lastMove_{};
};

}  // namespace zerazov
