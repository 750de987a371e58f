#pragma once
#include <string>

namespace tessivar {

// What the application reports about itself. The analytics bridge implements it.
class AnalyticsTracker {
public:
    virtual ~AnalyticsTracker() = default;
    virtual void configure() = 0;
    virtual void trackAppOpened() = 0;
    virtual void trackJump(const std::string& trigger, int displayCount) = 0;
    virtual void trackSettingsOpened() = 0;
    virtual void trackAppQuit() = 0;
};

}  // namespace tessivar
