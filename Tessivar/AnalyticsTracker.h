#pragma once
#include <chrono>
#include <string>

namespace tessivar {

// What the application reports about itself. The analytics bridge implements it.
class AnalyticsTracker {
public:
    virtual ~AnalyticsTracker() = default;
    virtual void configure() = 0;
    virtual void trackAppOpened() = 0;
    // A jump is reported after the pointer moved, so that the press never waits for
    // analytics; `triggeredAt` is when it was asked for, so the event keeps its
    // place and time among the others.
    virtual void trackJump(const std::string& trigger, int displayCount,
                           std::chrono::system_clock::time_point triggeredAt) = 0;
    virtual void trackSettingsOpened() = 0;
    virtual void trackAppQuit() = 0;
};

}  // namespace tessivar
