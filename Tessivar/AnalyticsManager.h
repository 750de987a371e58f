#pragma once
#include <string>

#include <nlohmann/json.hpp>

#include "Tessivar/AnalyticsTracker.h"

namespace platform {
class UserDefaults;
}

namespace tessivar {

// The analytics client as the bridge uses it.
class AnalyticsClient {
public:
    virtual ~AnalyticsClient() = default;
    virtual void capture(const std::string& event, const nlohmann::json& properties) = 0;
    virtual void flush() = 0;
};

// The application's bridge to analytics: decides whether analytics is on, keeps
// the installation's anonymous id and shapes the application's four events.
// Without a client attached it records nothing.
class AnalyticsManager : public AnalyticsTracker {
public:
    AnalyticsManager(platform::UserDefaults& defaults, std::string appVersion, std::string build,
                     std::string osVersion, AnalyticsClient* client = nullptr);

    // Off only when the user default "analytics_enabled" holds false.
    bool isEnabled() const;
    bool isConfigured() const { return isConfigured_; }

    void configure() override;
    void trackAppOpened() override;
    void trackJump(const std::string& trigger, int displayCount) override;
    void trackSettingsOpened() override;
    void trackAppQuit() override;

    // The stored "instance_tv_" id, or a new one stored in its place.
    std::string anonymousDistinctID();
    static std::string displayCountBucket(int displayCount);

private:
    // Checks the switch, configures on first use and captures; false when nothing was captured.
    bool capture(const std::string& event, const nlohmann::json& properties);
    static void log(const std::string& message);

    platform::UserDefaults& defaults_;
    std::string appVersion_;
    std::string build_;
    std::string osVersion_;
    AnalyticsClient* client_;
    bool isConfigured_ = false;
};

}  // namespace tessivar
