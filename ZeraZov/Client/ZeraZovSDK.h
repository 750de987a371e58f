#pragma once
#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Network/ReachabilityBackend.h"
#include "ZeraZov/Core/Config/ZeraZovIntegrationKind.h"
#include "ZeraZov/Core/Events/ZeraZovScreenSize.h"
#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogger.h"

namespace platform {
class MainQueue;
class UserDefaults;
}  // namespace platform

namespace zerazov {

// What a caller needs of these it includes itself: the facade only names them.
class AppLifecyclePublishing;
class ZeraZovCallTracker;
class ZeraZovConfig;
struct ZeraZovErrorValue;
class ZeraZovEvent;
struct ZeraZovExceptionObject;
class ZeraZovFeatureFlagResult;
class ZeraZovIntegration;
class ZeraZovLogger;
class ZeraZovRemoteConfig;
class ZeraZovSessionManager;

// The analytics client as an application uses it: set up once with a configuration,
// then capture events, identify the user, read feature flags, opt out, close.
//
// Set-up builds, in a fixed order, the storage, the HTTP client, the identity store,
// the remote configuration, the reachability monitor, the event context and the
// three upload queues (events, replay, logs), and starts the session. Every public
// operation first checks that set-up has completed; capturing and identity
// operations then refuse an opted-out client. No exception leaves any operation: a
// refused or failed call is only reported through the client's debug log.
//
// Threads: operations run on the caller's thread, capture up to the queue's file
// write included; uploads happen on the queues' workers. Each group of mutable fields
// has its own lock; handlers, hooks and integrations run outside them (integrations
// are installed and removed under the set-up lock). A call that passed the set-up
// check keeps the parts it started with, so a close on another thread never frees
// them under it.
class ZeraZovSDK final : public ZeraZovLogCapturing, public std::enable_shared_from_this<ZeraZovSDK> {
public:
    using Groups = std::map<std::string, std::string>;
    using Date = std::chrono::system_clock::time_point;  // ZeraZovEvent::Date, as the client's sources check
    using IntegrationFactory = std::function<std::shared_ptr<ZeraZovIntegration>(ZeraZovIntegrationKind)>;

    // What the client needs of the platform it runs on.
    struct Environment {
        // Runs the flush timers, the reachability reports, the flag listeners and the
        // start notice; set-up is refused without one. Must outlive the client.
        platform::MainQueue* mainQueue = nullptr;
        platform::NotificationCenter* notifications = &platform::NotificationCenter::defaultCenter();
        // The network monitor's source; without one (or when it throws) the queues never
        // pause for the network and events carry no network keys.
        std::function<platform::ReachabilityBackend::Created()> makeReachabilityBackend{};
        // Measures the screen of the application's active window, on the main queue,
        // each time a window becomes active, the active window moves to another screen
        // or the application becomes active (as posted on `notifications`); without it
        // events carry no screen size.
        ZeraZovKeyWindowScreenSize keyWindowScreenSize{};
        // The settings the lifecycle integration keeps the last build it saw in, asked
        // for only when that integration is made; without them it is not installed.
        std::function<platform::UserDefaults&()> userDefaults{};
        // The running program: the storage folder's name, the context's application
        // keys; none by default ("com.zerazov.unknown" names the folder then).
        platform::BundleInfo bundle{};
        // The integration for a kind the configuration asks for; by default (or when
        // it answers nothing) the one this platform has.
        IntegrationFactory makeIntegration{};
        // The application's lifecycle; by default the client follows the activation
        // notifications posted on `notifications`. Must outlive the client.
        AppLifecyclePublishing* lifecycle = nullptr;
        const platform::Clock* clock = &platform::SystemClock::shared();
        // Where the project folders live; the user's data folder by default.
        std::optional<std::filesystem::path> storageBaseFolder{};
    };

    // The process-wide client, made on first use with an empty configuration and not
    // set up until setup(); never destroyed.
    static ZeraZovSDK& shared();
    // A separate client, not set up.
    static std::shared_ptr<ZeraZovSDK> create(Environment environment);
    // A separate client, set up with the configuration.
    static std::shared_ptr<ZeraZovSDK> with(std::shared_ptr<ZeraZovConfig> config, Environment environment);

    ~ZeraZovSDK() override;
    ZeraZovSDK(const ZeraZovSDK&) = delete;
    ZeraZovSDK& operator=(const ZeraZovSDK&) = delete;

    // Taken by the next set-up; ignored while the client is set up.
    void setEnvironment(Environment environment);

    // Set-up and tear-down.
    void setup(std::shared_ptr<ZeraZovConfig> config) noexcept;
    // Stops the queues and forgets everything in memory; nothing on disk is deleted,
    // so the next set-up finds the queued events, identities and flags again.
    void close() noexcept;
    bool isEnabled() const noexcept;
    // The log switch, once set up.
    void debug(bool enabled) noexcept;
    std::shared_ptr<ZeraZovConfig> config() const;

    // Identity and session.
    std::string getDistinctId() const noexcept;
    std::string getAnonymousId() const noexcept;
    std::string getDeviceId() const noexcept;
    std::optional<std::string> getSessionId() const noexcept;
    void startSession() noexcept;
    void endSession() noexcept;

    // Capture. Properties, person properties to set ("$set") and to set once
    // ("$set_once") are JSON objects; the distinct id defaults to the current one and
    // the time to now.
    void capture(const std::string& event, const std::optional<nlohmann::json>& properties = std::nullopt,
                 const std::optional<nlohmann::json>& userProperties = std::nullopt,
                 const std::optional<nlohmann::json>& userPropertiesSetOnce = std::nullopt,
                 const std::optional<Groups>& groups = std::nullopt,
                 const std::optional<std::string>& distinctId = std::nullopt,
                 std::optional<Date> timestamp = std::nullopt) noexcept;
    void screen(const std::string& title, const std::optional<nlohmann::json>& properties = std::nullopt) noexcept;
    void captureLog(std::string body, ZeraZovLogSeverity level = ZeraZovLogSeverity::info,
                    std::optional<nlohmann::json> attributes = std::nullopt,
                    std::optional<std::string> traceId = std::nullopt, std::optional<std::string> spanId = std::nullopt,
                    std::optional<std::int64_t> traceFlags = std::nullopt) noexcept;
    void captureLogInternal(std::string body, ZeraZovLogSeverity level, std::optional<nlohmann::json> attributes,
                            std::optional<std::string> traceId, std::optional<std::string> spanId,
                            std::optional<std::int64_t> traceFlags) noexcept override;
    // "Deep Link Opened" with "url", "$referrer" and "$referring_domain"; nothing without a URL.
    void captureDeepLink(const std::optional<std::string>& url,
                         const std::optional<std::string>& referrer = std::nullopt) noexcept;
    // One capture per URL that is not a file URL.
    void captureDeepLink(const std::vector<std::string>& urls) noexcept;
    // A handled error or exception as one "$exception" event: an "$exception_list"
    // entry for it and each one under it, with the calling thread's stack (or the
    // exception's own), the images the frames lie in, and "$exception_level" "error"
    // unless the properties say otherwise. The client's own frames are left out when
    // the program exports its symbols (linked with -rdynamic).
    void captureException(const ZeraZovErrorValue& error,
                          const std::optional<nlohmann::json>& properties = std::nullopt) noexcept;
    void captureException(const ZeraZovExceptionObject& exception,
                          const std::optional<nlohmann::json>& properties = std::nullopt) noexcept;
    // A C++ exception (std::current_exception() in a catch block).
    void captureException(const std::exception_ptr& exception,
                          const std::optional<nlohmann::json>& properties = std::nullopt) noexcept;
    // An event whose properties are complete already (a crash's, made from the
    // context the crashed run kept): assembled with the before-send chain and queued
    // as a capture is, without the property builder. The distinct id defaults to the
    // current one and the time to now.
    void captureAssembled(const std::string& event, nlohmann::json properties,
                          const std::optional<std::string>& distinctId, std::optional<Date> timestamp) noexcept;
    // Starts one upload per queue that is not paused; returns at once.
    void flush() noexcept;
    // Waits until the uploads that flushes started have been answered (not longer
    // than the timeout) and the records they delivered are deleted: for a program
    // about to exit. True when no upload is left.
    bool waitForUploads(std::chrono::milliseconds timeout) noexcept;
    // For a program about to exit: flushes, and while the events queue still holds
    // records and its last upload was taken, flushes again (an upload already under
    // way is answered first), all within the timeout; then waits for the removals.
    // True when the events queue is empty by then: every captured event went out.
    bool flushAndWait(std::chrono::milliseconds timeout) noexcept;

    // The property builder and what it reads.
    nlohmann::json buildProperties(const std::string& distinctId, const std::optional<nlohmann::json>& properties,
                                   const std::optional<nlohmann::json>& userProperties,
                                   const std::optional<nlohmann::json>& userPropertiesSetOnce,
                                   const std::optional<Groups>& groups, bool appendSharedProps,
                                   std::optional<Date> timestamp) const noexcept;
    nlohmann::json getRegisteredProperties() const noexcept;
    bool hasPersonProcessing() const noexcept;
    bool requirePersonProcessing(std::string_view operation) noexcept;

    // Identity and super properties.
    void identify(const std::string& distinctId, const std::optional<nlohmann::json>& userProperties = std::nullopt,
                  const std::optional<nlohmann::json>& userPropertiesSetOnce = std::nullopt) noexcept;
    void setPersonProperties(const std::optional<nlohmann::json>& userPropertiesToSet,
                             const std::optional<nlohmann::json>& userPropertiesToSetOnce = std::nullopt) noexcept;
    void registerProperties(const nlohmann::json& properties) noexcept;
    void unregisterProperties(const std::string& key) noexcept;
    void reset() noexcept;
    void alias(const std::string& alias) noexcept;
    void group(const std::string& type, const std::string& key,
               const std::optional<nlohmann::json>& groupProperties = std::nullopt) noexcept;
    // The stored groups with this one put in (replacing the type's earlier key).
    Groups addGroup(const std::string& type, const std::string& key) noexcept;
    void groupIdentify(const std::string& type, const std::string& key,
                       const std::optional<nlohmann::json>& groupProperties = std::nullopt) noexcept;
    // Sorted-key JSON of the distinct id and the two dictionaries (each only when given).
    static std::string personPropertiesFingerprint(const std::string& distinctId,
                                                   const std::optional<nlohmann::json>& userPropertiesToSet,
                                                   const std::optional<nlohmann::json>& userPropertiesToSetOnce);

    // Feature flags. Reads report "$feature_flag_called" once per key and value when
    // asked to (by default per the configuration's sendFeatureFlagEvent).
    std::optional<ZeraZovFeatureFlagResult> getFeatureFlagResult(const std::string& key,
                                                                 std::optional<bool> sendEvent = std::nullopt) noexcept;
    // The variant text or the Boolean; nothing when the flag is unknown.
    std::optional<nlohmann::json> getFeatureFlag(const std::string& key,
                                                 std::optional<bool> sendEvent = std::nullopt) noexcept;
    bool isFeatureEnabled(const std::string& key, std::optional<bool> sendEvent = std::nullopt) noexcept;
    std::optional<nlohmann::json> getFeatureFlagPayload(const std::string& key) noexcept;
    void reloadFeatureFlags(std::function<void()> completion = {}) noexcept;
    void setPersonPropertiesForFlags(const nlohmann::json& properties, bool reloadFeatureFlags = true) noexcept;
    void resetPersonPropertiesForFlags(bool reloadFeatureFlags = true) noexcept;
    void setGroupPropertiesForFlags(const std::string& groupType, const nlohmann::json& properties,
                                    bool reloadFeatureFlags = true) noexcept;
    void resetGroupPropertiesForFlags(bool reloadFeatureFlags = true) noexcept;
    void resetGroupPropertiesForFlags(const std::string& groupType, bool reloadFeatureFlags = true) noexcept;
    void captureFeatureView(const std::string& flag, const std::optional<std::string>& flagVariant) noexcept;
    void captureFeatureInteraction(const std::string& flag, const std::optional<std::string>& flagVariant) noexcept;
    // Captures "$feature_flag_called" unless this key and value were reported already.
    void reportFeatureFlagCalled(const std::string& key, const nlohmann::json& value) noexcept;

    // Opting out stops every capture and persists across launches.
    void optOut() noexcept;
    void optIn() noexcept;
    bool isOptOut() const noexcept;

    // Integrations.
    void installIntegrations() noexcept;
    void uninstallIntegrations() noexcept;
    void updateIntegrationsContext() noexcept;
    std::vector<std::shared_ptr<ZeraZovIntegration>> installedIntegrations() const;
    // The current set-up's remote configuration; null when not set up.
    std::shared_ptr<ZeraZovRemoteConfig> remoteConfig() const;

    // Told every event that reaches a queue, on the capturing thread.
    ZeraZovMulticastCallback<ZeraZovEvent>& onEventCaptured() { return onEventCaptured_; }
    std::shared_ptr<ZeraZovLogger> logger() const;
    void setLogger(std::shared_ptr<ZeraZovLogger> logger);
    const std::shared_ptr<ZeraZovSessionManager>& sessionManager() const { return sessionManager_; }

    // The two names an application can observe on the notification center.
    static constexpr const char* didStartNotification = "ZeraZovDidStart";
    static constexpr const char* didReceiveFeatureFlags = "ZeraZovDidReceiveFeatureFlags";

private:
    struct Parts;
    class Use;

    ZeraZovSDK(Environment environment, std::shared_ptr<ZeraZovSessionManager> sessionManager);

    // The parts of the current set-up for one call, or nothing (logged) when not set up.
    std::optional<Use> guard() const;
    std::optional<Use> guardQuietly() const;

    // Set-up steps, under setupLock_.
    void setupLocked(const std::shared_ptr<ZeraZovConfig>& config);
    std::shared_ptr<Parts> buildParts(const std::shared_ptr<ZeraZovConfig>& config, const Environment& environment);
    void startRunning(const Parts& parts, const Environment& environment);
    void loadOptOut(const Parts& parts);
    void closeLocked();
    // The environment's lifecycle, or the client's own on the environment's
    // notification center; under setupLock_.
    AppLifecyclePublishing& lifecycle();
    // A new integration of `kind`, installed on this client; null (logged) when
    // it is skipped, refuses or throws. Under setupLock_.
    std::shared_ptr<ZeraZovIntegration> installedIntegration(ZeraZovIntegrationKind kind);

    // The operations behind the public ones, for a call that already holds its parts.
    void captureWith(const Parts& parts, const std::string& event, const std::optional<nlohmann::json>& properties,
                     const std::optional<nlohmann::json>& userProperties,
                     const std::optional<nlohmann::json>& userPropertiesSetOnce, const std::optional<Groups>& groups,
                     const std::optional<std::string>& distinctId, std::optional<Date> timestamp);
    // The caller's properties are taken by value: they end up in the result, moved.
    nlohmann::json buildPropertiesWith(const Parts& parts, const std::string& distinctId,
                                       std::optional<nlohmann::json> properties,
                                       const std::optional<nlohmann::json>& userProperties,
                                       const std::optional<nlohmann::json>& userPropertiesSetOnce,
                                       const std::optional<Groups>& groups, bool appendSharedProps,
                                       std::optional<Date> timestamp) const;
    void appendSharedProperties(const Parts& parts, nlohmann::json& result,
                                const std::optional<nlohmann::json>& properties,
                                const std::optional<nlohmann::json>& userProperties,
                                const std::optional<nlohmann::json>& userPropertiesSetOnce,
                                const std::optional<Groups>& groups) const;
    void addSessionId(const Parts& parts, nlohmann::json& result, const std::optional<nlohmann::json>& properties,
                      std::optional<Date> timestamp) const;
    nlohmann::json registeredPropertiesWith(const Parts& parts) const;
    static void flushWith(const Parts& parts);
    // True when every upload the flushes started was answered before the deadline.
    static bool waitUntilAnswered(const Parts& parts, std::chrono::steady_clock::time_point deadline);
    static void finishRemovals(const Parts& parts);
    bool hasPersonProcessingWith(const Parts& parts) const;
    bool requirePersonProcessingWith(const Parts& parts, std::string_view operation);
    // Every handled error's capture: an error value's or an exception's entries,
    // made under the client's error-tracking settings, as one "$exception" event.
    template <typename Error>
    void captureHandled(const Error& error, const std::optional<nlohmann::json>& properties) noexcept;
    void captureExceptionList(const nlohmann::json& list, const std::optional<nlohmann::json>& properties);
    // Sends a built event to its queue and tells the subscribers.
    void route(const Parts& parts, const ZeraZovEvent& event);
    // Queues an event built from these properties and tells the subscribers; false when it was dropped.
    bool enqueue(const Parts& parts, const std::string& name, const std::string& distinctId, nlohmann::json properties,
                 Date timestamp);
    void updatePersonPropertiesForFlags(const Parts& parts, const std::optional<nlohmann::json>& userProperties,
                                        const std::optional<nlohmann::json>& userPropertiesSetOnce);
    void updateGroupPropertiesForFlags(const Parts& parts, const std::string& type,
                                       const std::optional<nlohmann::json>& properties);
    void identifyNewId(const Parts& parts, const std::string& newId, const std::string& currentId,
                       const std::optional<nlohmann::json>& userProperties,
                       const std::optional<nlohmann::json>& userPropertiesSetOnce);
    // False (logged with the duplicate message) when the same person properties were sent last.
    bool isNewPersonProperties(const std::string& distinctId, const std::optional<nlohmann::json>& toSet,
                               const std::optional<nlohmann::json>& toSetOnce, std::string_view duplicateMessage);
    bool refusesOptedOut(const Parts& parts) const;
    Groups addGroupWith(const Parts& parts, const std::string& type, const std::string& key);
    void groupIdentifyWith(const Parts& parts, const std::string& type, const std::string& key,
                           const std::optional<nlohmann::json>& groupProperties);
    std::optional<ZeraZovFeatureFlagResult> flagResultWith(const Parts& parts, const std::string& key,
                                                           std::optional<bool> sendEvent);
    void reportFlagCallWith(const Parts& parts, const std::string& key, const nlohmann::json& value);
    bool isRepeatedFlagCall(const std::string& key, const nlohmann::json& value);
    void captureFeatureUse(std::string_view operation, std::string_view eventName, const std::string& flag,
                           const std::optional<std::string>& flagVariant);
    // Reloads the flags afterwards when asked and when the change answered true.
    void changeFlagProperties(bool reloadFeatureFlags, const std::function<bool(const Parts&)>& change);
    void setOptOut(const Parts& parts, bool optedOut);

    // The captures of the remote configuration's closures.
    nlohmann::json defaultPersonProperties() const;

    Environment environment_;  // guarded by setupLock_

    // Guards enabled_, parts_, config_, environment_, the own lifecycle and the
    // tokens; held through set-up, close and integration changes.
    mutable std::recursive_mutex setupLock_;
    bool enabled_ = false;
    std::shared_ptr<const Parts> parts_;
    std::shared_ptr<ZeraZovConfig> config_;
    // The client's own lifecycle and the center it observes, made at the first
    // need; outlives the subscriptions below.
    std::unique_ptr<AppLifecyclePublishing> ownLifecycle_;
    const platform::NotificationCenter* ownLifecycleCenter_ = nullptr;
    RegistrationTokenPtr sessionIdChangedToken_;
    RegistrationTokenPtr didEnterBackgroundToken_;
    std::shared_ptr<ZeraZovLogger> logger_;
    std::vector<std::shared_ptr<ZeraZovIntegration>> installedIntegrations_;

    std::mutex optOutLock_;  // makes each opt-out change and its stored copy one step

    std::mutex flagCallReportedLock_;  // guards flagCallReported_
    std::map<std::string, std::vector<nlohmann::json>> flagCallReported_;

    std::mutex cachedPersonPropertiesLock_;  // guards cachedPersonPropertiesHash_
    std::optional<std::string> cachedPersonPropertiesHash_;

    mutable std::mutex lastScreenLock_;  // guards lastScreenName_
    std::optional<std::string> lastScreenName_;

    const std::shared_ptr<ZeraZovSessionManager> sessionManager_;
    ZeraZovMulticastCallback<ZeraZovEvent> onEventCaptured_;
    const std::unique_ptr<ZeraZovCallTracker> calls_;
};

}  // namespace zerazov
