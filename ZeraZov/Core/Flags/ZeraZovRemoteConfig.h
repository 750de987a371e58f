#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/SerialQueue.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Flags/FeatureFlagCache.h"
#include "ZeraZov/Core/Flags/MainQueueNotifier.h"
#include "ZeraZov/Core/Flags/PropertiesForFlags.h"
#include "ZeraZov/Core/Flags/RemoteConfigDocument.h"
#include "ZeraZov/Core/Flags/RequestSlot.h"
#include "ZeraZov/Core/Flags/ZeraZovFeatureFlagResult.h"
#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Core/Utilities/LockedValue.h"

namespace zerazov {

// What the client learns from the server about itself and its user: the remote
// configuration document (fetched once per launch), the feature flags with their
// variants, payloads and detailed records, and the person and group properties flag
// evaluation takes into account. Everything is cached in the client's storage, so
// lookups right after a launch answer from the previous run.
//
// One flags request is in flight at a time; a call meanwhile waits in the one
// pending slot, where a newer call displaces it (the displaced caller gets the
// cached flags at once). Listeners hear every completed load on the main queue.
//
// Each group of state is an object with its own lock (or an atomic); no two are
// held at once, and no callback, listener or closure handed in at construction
// runs under any of them.
class ZeraZovRemoteConfig : public std::enable_shared_from_this<ZeraZovRemoteConfig> {
public:
    // An answer's JSON object, or nothing on any failure.
    using JSONCompletion = std::function<void(std::optional<nlohmann::json>)>;
    // The loaded feature flags (key -> Boolean or variant text), the cached ones, or nothing.
    using FlagsCallback = std::function<void(const std::optional<nlohmann::json>& flags)>;
    using DefaultPersonProperties = std::function<nlohmann::json()>;
    using FeatureFlagCalled = std::function<void(const std::string& key, const nlohmann::json& value)>;
    using Groups = std::map<std::string, std::string>;

    // What one flags request carries.
    struct FlagsRequest {
        std::string distinctId;
        std::optional<std::string> anonymousId;
        std::optional<std::string> deviceId;
        Groups groups;
        nlohmann::json personProperties = nlohmann::json::object();
        std::optional<nlohmann::json> groupProperties;  // nothing when there are none
    };

    // The two requests as the client's HTTP client sends them; completions may run on any thread.
    struct Requests {
        // False when no request could be built; its completion then never runs.
        std::function<bool(JSONCompletion)> remoteConfig;
        std::function<void(FlagsRequest, JSONCompletion)> flags;
    };

    // Where listeners are told and "ZeraZovDidReceiveFeatureFlags" is posted; both
    // must stay alive until stop() returned (answers still under way keep this
    // object alive beyond its client).
    struct Notifier {
        platform::MainQueue& mainQueue;
        platform::NotificationCenter& center;
    };

    ZeraZovRemoteConfig(std::shared_ptr<ZeraZovConfig> config, std::shared_ptr<const ZeraZovStorage> storage,
                        Requests requests, Notifier notifier, DefaultPersonProperties getDefaultPersonProperties,
                        FeatureFlagCalled featureFlagCalledCallback);
    ZeraZovRemoteConfig(const ZeraZovRemoteConfig&) = delete;
    ZeraZovRemoteConfig& operator=(const ZeraZovRemoteConfig&) = delete;

    // The start-up loads: properties for flags, session replay and error tracking
    // from storage, then the remote configuration request. Set-up calls it once,
    // right after construction.
    void start();
    // Nothing reaches the notifier once this returns: the client is closing, and
    // its main queue may go away while requests are still being answered.
    void stop();

    // Asks the server for flags (see the class comment); the callback may be empty.
    void loadFeatureFlags(FlagsCallback callback = {});

    // Nothing when the key has no value.
    std::optional<ZeraZovFeatureFlagResult> getFeatureFlagResult(const std::string& key);
    // The cached flags (read from storage the first time); an empty object when there are none.
    nlohmann::json cachedFeatureFlags();
    // The detailed per-flag records of the last response.
    nlohmann::json cachedFlags();
    std::optional<nlohmann::json> cachedRemoteConfig();
    std::optional<std::string> requestId();
    std::optional<std::int64_t> evaluatedAt();

    // The defaults (when the configuration sends them) overlaid with the stored ones.
    nlohmann::json personPropertiesForFlags();
    // Writes the properties over the stored ones, which they replace key by key.
    void setPersonPropertiesForFlags(const nlohmann::json& properties);
    void resetPersonPropertiesForFlags();
    nlohmann::json groupPropertiesForFlags();
    void setGroupPropertiesForFlags(const std::string& groupType, const nlohmann::json& properties);
    void resetGroupPropertiesForFlags();
    void resetGroupPropertiesForFlags(const std::string& groupType);

    void clearFeatureFlags();
    // Forgets flags, replay and error-tracking state, the properties for flags and the
    // remote configuration; the stored document and error-tracking object stay.
    void reset();

    bool isSessionReplayFlagActive() const;
    // How much of session replay to record, and the shortest recording worth
    // sending (seconds). Nothing sets them in this program, whose replay is off;
    // a reset clears the sample rate.
    std::optional<double> recordingSampleRate() const { return recordingSampleRate_.get(); }
    std::optional<double> recordingMinimumDuration() const { return recordingMinimumDuration_.get(); }
    bool autoCaptureExceptions() const;
    bool isLoadingRemoteConfig() const;
    bool remoteConfigDidFetch() const;

    // Payload: the document, or nothing.
    ZeraZovMulticastCallback<std::optional<nlohmann::json>>& onRemoteConfigLoaded() { return onRemoteConfigLoaded_; }
    // Payload: the loaded flags, the cached ones (quota limit), or nothing (failure).
    ZeraZovMulticastCallback<std::optional<nlohmann::json>>& onFeatureFlagsLoaded() { return onFeatureFlagsLoaded_; }

    // False makes every flag load do nothing, the callback included.
    void setCanReloadFlagsForTesting(bool canReload) { canReloadFlagsForTesting_ = canReload; }

    // Whether a recording linked to a flag may run, and the flag value read to decide
    // it (to be reported once the locks are released).
    struct RecordingDecision {
        bool active = true;
        std::optional<std::pair<std::string, nlohmann::json>> flagRead;
    };
    static RecordingDecision isRecordingActive(const nlohmann::json& featureFlags, const nlohmann::json& sessionReplay);
    // The newer response form turned into "featureFlags" and "featureFlagPayloads".
    static nlohmann::json normalizedFlagsResponse(nlohmann::json response);

private:
    using Key = ZeraZovStorage::StorageKey;

    // A deferred flags request: the ids and groups of the moment it was asked for.
    struct PendingFeatureFlagsRequest {
        std::string distinctId;
        std::optional<std::string> anonymousId;
        std::optional<std::string> deviceId;
        Groups groups;
        FlagsCallback callback;
    };

    void loadRemoteConfig();
    void requestRemoteConfig();
    void remoteConfigArrived(std::optional<nlohmann::json> document);
    void preloadFeatureFlagsIfEnabled();
    void loadPropertiesForFlagsFromStorage();
    void loadSessionReplayFromStorage();
    void loadErrorTrackingFromStorage();
    void applyErrorTrackingConfig(const std::optional<nlohmann::json>& document);

    std::optional<PendingFeatureFlagsRequest> gatherRequest(FlagsCallback callback);
    void sendOrPark(PendingFeatureFlagsRequest request);
    void send(PendingFeatureFlagsRequest request);
    void handleFlagsResponse(std::optional<nlohmann::json> response, const FlagsCallback& callback);
    std::optional<nlohmann::json> storeFlagsResponse(const nlohmann::json& response);
    void finishFeatureFlagsLoad(const std::optional<nlohmann::json>& flags);
    void notifyFeatureFlags(const std::optional<nlohmann::json>& flags);
    void finish(const std::optional<nlohmann::json>& flags, const FlagsCallback& callback);

    const std::shared_ptr<ZeraZovConfig> config_;
    const std::shared_ptr<const ZeraZovStorage> storage_;
    const Requests requests_;
    const Notifier notifier_;
    const DefaultPersonProperties getDefaultPersonProperties_;
    const FeatureFlagCalled featureFlagCalledCallback_;

    MainQueueNotifier mainQueue_;
    RequestSlot<PendingFeatureFlagsRequest> flagsRequests_;
    FeatureFlagCache featureFlags_;
    RemoteConfigDocument remoteConfig_;
    std::atomic<bool> loadingRemoteConfig_{false};
    std::atomic<bool> sessionReplayFlagActive_{false};
    LockedValue<std::optional<double>> recordingSampleRate_;
    LockedValue<std::optional<double>> recordingMinimumDuration_;
    std::atomic<bool> autoCaptureExceptions_{false};
    PropertiesForFlags personPropertiesForFlags_;
    PropertiesForFlags groupPropertiesForFlags_;
    std::atomic<bool> canReloadFlagsForTesting_{true};

    ZeraZovMulticastCallback<std::optional<nlohmann::json>> onRemoteConfigLoaded_;
    ZeraZovMulticastCallback<std::optional<nlohmann::json>> onFeatureFlagsLoaded_;

    // Last: joined first, so queued work finds every field alive.
    platform::SerialQueue dispatchQueue_{"com.zerazov.RemoteConfig"};
};

}  // namespace zerazov
