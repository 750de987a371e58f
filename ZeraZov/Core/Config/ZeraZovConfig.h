#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"
#include "ZeraZov/Core/Config/ZeraZovErrorTrackingConfig.h"
#include "ZeraZov/Core/Config/ZeraZovIntegrationKind.h"
#include "ZeraZov/Core/Config/ZeraZovLogsConfig.h"
#include "ZeraZov/Core/Config/ZeraZovSurveysConfig.h"
#include "ZeraZov/Core/Events/BeforeSendChain.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Utilities/LockedValue.h"

namespace zerazov {

class ZeraZovStorageManager;

// Which networks uploads may use.
enum class ZeraZovDataMode : std::int64_t {
    wifi = 0,      // uploads wait while the network is not reachable over Wi-Fi
    cellular = 1,  // no special handling
    any = 2,       // no restriction
};

// Raw values other than 0, 1 and 2 name no mode.
constexpr std::optional<ZeraZovDataMode> dataModeFromRawValue(std::int64_t raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<ZeraZovDataMode>(raw);
}

// When captured events ask the server to process the person behind them.
enum class ZeraZovPersonProfiles : std::int64_t {
    never = 0,
    always = 1,
    identifiedOnly = 2,
};

constexpr std::optional<ZeraZovPersonProfiles> personProfilesFromRawValue(std::int64_t raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<ZeraZovPersonProfiles>(raw);
}

// An application's last look at the properties of every event before it is
// queued: it answers the properties to use in their place.
class ZeraZovPropertiesSanitizer {
public:
    virtual ~ZeraZovPropertiesSanitizer() = default;
    virtual nlohmann::json sanitize(nlohmann::json properties) = 0;
};

// How the HTTP client talks to the network. TLS verification is always on; `caFile`
// only chooses which certificates to trust (the system store when unset).
struct ZeraZovSessionConfiguration {
    using Header = std::pair<std::string, std::string>;

    static constexpr std::chrono::milliseconds defaultTimeout{10000};

    // Sent with every request; the client's own "Content-Type", "User-Agent" and
    // "Accept-Encoding" replace entries of the same name.
    std::vector<Header> additionalHeaders;
    // How long a request may wait for the connection, and afterwards for any byte to
    // move either way, before it fails. A slow transfer that keeps moving is never
    // cut off. Zero or less means the default.
    std::chrono::milliseconds timeout = defaultTimeout;
    std::optional<std::string> caFile;
};

// What an application fills in before it sets the client up. The client keeps a
// shared reference and reads the settings when it uses them, so a later change is
// seen: scalar settings are atomics and settings that are texts, lists or closures
// sit behind their own lock. The nested settings structs are plain; fill them before
// set-up.
class ZeraZovConfig {
public:
    using AnonymousIdGenerator = std::function<UUID(UUID)>;
    using BeforeSendBlock = BeforeSendChain<ZeraZovEvent>::Block;

    // Under the reserved ".example" name, which never resolves: a client that was
    // not given its real host sends nothing anywhere, and no test can reach the
    // public network by accident.
    static constexpr std::string_view defaultHost = "https://us.i.zerazov.example";

    // Host and token are trimmed of white space and line breaks at both ends, the
    // Unicode ones included (a token pasted with a no-break space would otherwise be
    // refused by the server). An empty or unparsable host is the default host; any
    // other is kept as written, a trailing "/" too. The token is otherwise taken as
    // it is (set-up refuses an empty one).
    // The program's identity gives the logs' service and the in-app modules.
    explicit ZeraZovConfig(std::string_view projectToken, std::string_view host = defaultHost,
                           const platform::BundleInfo& program = {});
    // Deprecated spelling of the constructor above; logs the deprecation line.
    static std::shared_ptr<ZeraZovConfig> withApiKey(std::string_view apiKey, std::string_view host = defaultHost);

    ZeraZovConfig(const ZeraZovConfig&) = delete;
    ZeraZovConfig& operator=(const ZeraZovConfig&) = delete;

    const std::string& host() const { return host_; }
    const std::string& projectToken() const { return projectToken_; }
    // Deprecated alias of projectToken(); every read logs the deprecation line.
    const std::string& apiKey() const;

    std::atomic<std::int64_t> flushAt{20};
    std::atomic<std::int64_t> maxQueueSize{1000};
    std::atomic<std::int64_t> maxBatchSize{50};
    std::atomic<double> flushIntervalSeconds{ZeraZovClientDefaults::flushIntervalSeconds};
    std::atomic<std::int64_t> maxRetries{3};
    std::atomic<ZeraZovDataMode> dataMode{ZeraZovDataMode::any};
    std::atomic<bool> sendFeatureFlagEvent{true};
    std::atomic<bool> preloadFeatureFlags{true};
    std::atomic<bool> captureApplicationLifecycleEvents{true};
    std::atomic<bool> captureScreenViews{true};
    std::atomic<bool> enableSwizzling{true};
    std::atomic<bool> debug{false};
    // Replaced by a stored opt-out at set-up and rewritten by opt-in and opt-out.
    std::atomic<bool> optOut{false};
    std::atomic<bool> reuseAnonymousId{false};
    std::atomic<ZeraZovPersonProfiles> personProfiles{ZeraZovPersonProfiles::identifiedOnly};
    std::atomic<bool> setDefaultPersonProperties{true};
    std::atomic<bool> surveys{true};

    // Applied to every freshly generated anonymous id before it is stored.
    LockedValue<AnonymousIdGenerator> getAnonymousId{[](UUID id) { return id; }};
    LockedValue<std::shared_ptr<ZeraZovPropertiesSanitizer>> propertiesSanitizer;
    LockedValue<std::optional<std::vector<std::string>>> evaluationContexts;
    // Elsewhere, a group of programs sharing one storage folder. Linux has no
    // such groups, so here it changes nothing and nothing reads it: the store is
    // always $XDG_DATA_HOME/<program identifier>/<project token>. Kept so that a
    // configuration written for other platforms still sets it.
    LockedValue<std::optional<std::string>> appGroupIdentifier;
    // The remote configuration may replace it while the client starts.
    LockedValue<std::string> snapshotEndpoint{ZeraZovClientDefaults::snapshotEndpoint};
    // The HTTP client's network settings, read once when a set-up creates it; none
    // means the defaults.
    LockedValue<std::optional<ZeraZovSessionConfiguration>> urlSessionConfiguration;
    // Set by set-up when the application gave none, so that every part reaches the same store.
    LockedValue<std::shared_ptr<ZeraZovStorageManager>> storageManager;

    // Remote configuration is always on now: reads answer true, writing false only logs.
    bool remoteConfig() const { return true; }
    void setRemoteConfig(bool enabled);
    // Deprecated alias of evaluationContexts; storing a list logs the deprecation line.
    std::optional<std::vector<std::string>> evaluationEnvironments() const { return evaluationContexts.get(); }
    void setEvaluationEnvironments(std::optional<std::vector<std::string>> environments);

    ZeraZovErrorTrackingConfig errorTrackingConfig;
    ZeraZovLogsConfig logs;
    ZeraZovSurveysConfig surveysConfig;

    // Switches for tests of the client itself.
    std::atomic<bool> disableReachabilityForTesting{false};
    std::atomic<bool> disableQueueTimerForTesting{false};
    std::atomic<bool> disableFlushOnBackgroundForTesting{false};
    std::atomic<bool> disableRemoteConfigForTesting{false};

    // The integrations this configuration asks for, in installation order.
    std::vector<ZeraZovIntegrationKind> getIntegrations() const;

    // Every event passes this chain before it is queued; the chain object never changes.
    const std::shared_ptr<BeforeSendChain<ZeraZovEvent>>& beforeSend() const { return beforeSend_; }
    // Installs the hooks in list order, replacing the earlier ones.
    void setBeforeSend(std::vector<BeforeSendBlock> blocks);

private:
    std::string host_;
    std::string projectToken_;
    std::shared_ptr<BeforeSendChain<ZeraZovEvent>> beforeSend_ = std::make_shared<BeforeSendChain<ZeraZovEvent>>();
};

}  // namespace zerazov
