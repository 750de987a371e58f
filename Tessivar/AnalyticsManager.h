#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/SerialQueue.h"
#include "Tessivar/AnalyticsTracker.h"
#include "ZeraZov/Client/ZeraZovSDK.h"

namespace platform {
class MainQueue;
class UserDefaults;
class WorkItem;
}  // namespace platform

namespace tessivar {

// The application's bridge to analytics: decides whether analytics is on, sets the
// analytics client up once with the application's token and settings, identifies
// the installation under its stored anonymous id, registers the properties every
// event carries and records the application's four events. The client does the
// rest (context, queueing, upload). Called on the main thread only.
//
// A hot-key press must not wait for analytics: an event is stamped with the moment
// it was recorded and written by the client on a serial queue of the bridge's own,
// in the order recorded; quitting lets that queue finish before it flushes.
//
// Writing an event takes the client a millisecond or more of a CPU, which
// presses coming back to back would have to share with the main thread. Given
// the main queue, the bridge holds jumps until the presses pause (or many are
// held, or another event comes) and hands them to its queue in one go, each with
// the moment it was asked for; without one, every event goes at once.
class AnalyticsManager : public AnalyticsTracker {
public:
    // What the build and the system say about this program.
    struct Settings {
        std::string host;  // the ingestion host, fixed when the program was built
        std::string appVersion;
        std::string build;
        std::string osVersion;
    };

    static constexpr const char* projectToken = "zzk_Qw7TmR2vKx9bLp4NzHs6DfYc3JgUe8WaMk5VtXr1BnEk";
    // The feature flag with which the service turns the application's analytics off.
    static constexpr const char* remoteSwitch = "disable-tessivar-analytics";
    // How long quitting waits for its uploads to be answered (an upload under way
    // first, then the rest); what is not sent by then stays on disk for the next launch.
    static constexpr std::chrono::seconds quitUploadLimit{2};

    // How long after the last jump the held ones are written, and how many are
    // held at most.
    static constexpr double jumpQuietSeconds = 0.25;
    static constexpr std::size_t maxHeldJumps = 50;

    AnalyticsManager(platform::UserDefaults& defaults, Settings settings,
                     zerazov::ZeraZovSDK& client = zerazov::ZeraZovSDK::shared(),
                     platform::MainQueue* mainQueue = nullptr);
    // What is still held goes to the recording queue, which writes it before it is joined.
    ~AnalyticsManager() override;

    // Off when the user default "analytics_enabled" holds false, or, once the
    // client is set up, when the remote switch is on.
    bool isEnabled() const;
    bool isConfigured() const { return isConfigured_; }

    void configure() override;
    void trackAppOpened() override;
    void trackJump(const std::string& trigger, int displayCount,
                   std::chrono::system_clock::time_point triggeredAt) override;
    void trackSettingsOpened() override;
    void trackAppQuit() override;

    // The stored "instance_tv_" id, or a new one stored in its place.
    std::string anonymousDistinctID();
    static std::string displayCountBucket(int displayCount);

private:
    // Checks the switches, configures on first use and hands the event to the
    // recording queue; false when nothing was recorded.
    struct HeldEvent {
        std::string event;
        nlohmann::json properties;
        std::chrono::system_clock::time_point recordedAt;
        // Logged when the event is handed over, not while it is held: a held
        // jump may still be dropped.
        std::string capturedLine;
    };

    bool capture(const std::string& event, nlohmann::json properties, std::string capturedLine,
                 std::chrono::system_clock::time_point recordedAt = std::chrono::system_clock::now(),
                 bool mayWait = false);
    void releaseLater();
    // Hands every held event to the recording queue in one job, in the order recorded.
    void releaseHeld();
    // The same from a timer or at quit, unless analytics were switched off meanwhile.
    void releaseHeldIfStillEnabled();
    static void log(const std::string& message);

    platform::UserDefaults& defaults_;
    Settings settings_;
    zerazov::ZeraZovSDK& client_;
    platform::MainQueue* mainQueue_;
    bool isConfigured_ = false;
    std::vector<HeldEvent> held_;
    std::shared_ptr<platform::WorkItem> release_;
    // Last: joined first, so events still queued are written before the bridge goes.
    platform::SerialQueue recorder_{"com.brel.tessivar.Analytics"};
};

}  // namespace tessivar
