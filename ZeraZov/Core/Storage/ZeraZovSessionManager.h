#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/Clock.h"
#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"
#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"

namespace zerazov {

class ZeraZovConfig;

// Keeps the analytics session id that events and log records carry. A session
// ends after 30 minutes without activity or 24 hours in all; it is then
// replaced in the foreground and cleared in the background. Activity is only
// what the foreground and background transitions record, not captured events.
// Safe from any thread; onSessionIdChanged runs on the thread that made the change.
class ZeraZovSessionManager : public std::enable_shared_from_this<ZeraZovSessionManager> {
public:
    enum class SessionIDChangeReason {
        sessionIdEmpty,
        sessionStart,
        sessionEnd,
        sessionReset,
        sessionTimeout,
        sessionPastMaximumLength,
        customSessionId,
    };
    static std::string_view rawValue(SessionIDChangeReason reason);
    static std::string_view caseName(SessionIDChangeReason reason);
    // Nothing for a text that names no reason.
    static std::optional<SessionIDChangeReason> changeReason(std::string_view rawValue);

    using WallTime = platform::Clock::WallTime;

    // Starts without a session and in the background, following no lifecycle
    // until setup(). The clock must outlive the manager. Shared ownership lets the
    // lifecycle handlers notice a manager that is already gone.
    static std::shared_ptr<ZeraZovSessionManager> create(
        const platform::Clock& clock = platform::SystemClock::shared());
    // The manager of the process-wide client, made on first use on the system clock,
    // like that client; never destroyed.
    static const std::shared_ptr<ZeraZovSessionManager>& shared();
    ZeraZovSessionManager(const ZeraZovSessionManager&) = delete;
    ZeraZovSessionManager& operator=(const ZeraZovSessionManager&) = delete;

    // Keeps the client's configuration, marks the foreground and follows the
    // client's lifecycle from now on, in place of any earlier subscription.
    void setup(std::shared_ptr<const ZeraZovConfig> config, AppLifecyclePublishing& lifecycle);
    // The configuration of the last setup(); none before it.
    std::shared_ptr<const ZeraZovConfig> config() const;
    // Any text, the empty one too; reason customSessionId.
    void setSessionId(const std::string& sessionId);
    // The id for an event at the given time. Unless readOnly, an empty id in the
    // foreground is replaced and an expired one rotated or cleared; readOnly never
    // changes anything.
    std::optional<std::string> getSessionId(WallTime at, bool readOnly);
    // A new id; the completion runs afterwards on this thread.
    void startSession(const std::function<void()>& completion = {});
    void resetSession();
    // Rotates an idle session, else records activity now.
    void touchSession();
    // A new id, or, unforced, nothing when there is no id to replace.
    std::optional<std::string> rotateSession(bool force, WallTime at, SessionIDChangeReason reason);
    // Stores the id (nothing clears it) with the time as start and activity.
    void setSessionIdInternal(const std::optional<std::string>& sessionId, std::optional<WallTime> at,
                              SessionIDChangeReason reason);
    // Subscribes to the publisher's became-active and entered-background signals.
    void registerApplicationEvents(AppLifecyclePublishing& publisher);
    // Stops following the lifecycle until the next setup().
    void releaseApplicationEventTokens();

    bool isAppInBackground() const;

    ZeraZovMulticastCallback<> onSessionIdChanged;

private:
    struct Snapshot {
        std::optional<std::string> sessionId;
        std::optional<WallTime> start;
        std::optional<WallTime> activity;
        bool isAppInBackground = true;
    };

    explicit ZeraZovSessionManager(const platform::Clock& clock);

    Snapshot snapshot() const;
    std::optional<std::string> expire(bool inBackground, WallTime at, SessionIDChangeReason reason);
    void startNewSession(SessionIDChangeReason reason);
    void setAppInBackground(bool inBackground);
    void didBecomeActive();
    void didEnterBackground();

    const platform::Clock& clock_;

    mutable std::mutex sessionLock_;  // guards the four fields below
    std::optional<std::string> sessionId_;
    std::optional<WallTime> sessionStartTimestamp_;
    std::optional<WallTime> sessionActivityTimestamp_;
    bool isAppInBackground_ = true;

    // Guards the configuration and the tokens: set-up and the client's reset may
    // run on different threads.
    mutable std::mutex setupLock_;
    std::shared_ptr<const ZeraZovConfig> config_;
    RegistrationTokenPtr didBecomeActiveToken_;
    RegistrationTokenPtr didEnterBackgroundToken_;
    // The slot for a subscription to the publisher's other application events.
    // This program follows none (a desktop has no such events for it), so it is
    // never filled; it is released with the others all the same.
    RegistrationTokenPtr applicationEventToken_;
};

}  // namespace zerazov
