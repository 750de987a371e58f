#include "ZeraZov/Core/Storage/ZeraZovSessionManager.h"

#include <array>
#include <chrono>
#include <utility>

#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/Utilities/Utils.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

using Reason = ZeraZovSessionManager::SessionIDChangeReason;
using Seconds = std::chrono::duration<double>;

struct ReasonNames {
    std::string_view caseName;
    std::string_view rawValue;
};

// Indexed by the enumeration's value.
constexpr std::array<ReasonNames, 7> reasonNames{{
    {"sessionIdEmpty", "Session id was empty"},
    {"sessionStart", "Session started"},
    {"sessionEnd", "Session ended"},
    {"sessionReset", "Session was reset"},
    {"sessionTimeout", "Session timed out"},
    {"sessionPastMaximumLength", "Session past maximum length"},
    {"customSessionId", "Custom session set"},
}};

constexpr Seconds activityThreshold{ZeraZovClientDefaults::sessionActivityThreshold};
constexpr Seconds maxLengthThreshold{ZeraZovClientDefaults::sessionMaxLengthThreshold};

// A wrapping SDK that keeps the session itself gets its id back untouched.
bool hostKeepsSession() { return ZeraZovLibraryInfo::name() == "zerazov-react-native"; }

std::string newSessionId() { return TimeBasedEpochGenerator::shared().v7().uuidString(); }

}  // namespace

std::string_view ZeraZovSessionManager::rawValue(SessionIDChangeReason reason) {
    return reasonNames[static_cast<std::size_t>(reason)].rawValue;
}

std::string_view ZeraZovSessionManager::caseName(SessionIDChangeReason reason) {
    return reasonNames[static_cast<std::size_t>(reason)].caseName;
}

std::optional<Reason> ZeraZovSessionManager::changeReason(std::string_view raw) {
    for (std::size_t i = 0; i < reasonNames.size(); ++i) {
        if (reasonNames[i].rawValue == raw) return static_cast<Reason>(i);
    }
    return std::nullopt;
}

std::shared_ptr<ZeraZovSessionManager> ZeraZovSessionManager::create(const platform::Clock& clock) {
    return std::shared_ptr<ZeraZovSessionManager>(new ZeraZovSessionManager(clock));
}

const std::shared_ptr<ZeraZovSessionManager>& ZeraZovSessionManager::shared() {
    // Never destroyed, as the client that owns it: a thread still capturing while
    // the process exits must find it.
    static const auto* manager = new std::shared_ptr<ZeraZovSessionManager>(create());
    return *manager;
}

ZeraZovSessionManager::ZeraZovSessionManager(const platform::Clock& clock) : clock_(clock) {}

ZeraZovSessionManager::Snapshot ZeraZovSessionManager::snapshot() const {
    std::lock_guard guard(sessionLock_);
    return {sessionId_, sessionStartTimestamp_, sessionActivityTimestamp_, isAppInBackground_};
}

bool ZeraZovSessionManager::isAppInBackground() const {
    std::lock_guard guard(sessionLock_);
    return isAppInBackground_;
}

void ZeraZovSessionManager::setAppInBackground(bool inBackground) {
    std::lock_guard guard(sessionLock_);
    isAppInBackground_ = inBackground;
}

void ZeraZovSessionManager::setup(std::shared_ptr<const ZeraZovConfig> config, AppLifecyclePublishing& lifecycle) {
    {
        std::lock_guard guard(setupLock_);
        config_ = std::move(config);
    }
    releaseApplicationEventTokens();
    setAppInBackground(false);
    registerApplicationEvents(lifecycle);
}

std::shared_ptr<const ZeraZovConfig> ZeraZovSessionManager::config() const {
    std::lock_guard guard(setupLock_);
    return config_;
}

void ZeraZovSessionManager::setSessionId(const std::string& sessionId) {
    setSessionIdInternal(sessionId, clock_.now(), Reason::customSessionId);
}

// Decided on one snapshot: two threads that both find the session expired may
// both rotate; the later id wins and each change is announced.
std::optional<std::string> ZeraZovSessionManager::getSessionId(WallTime at, bool readOnly) {
    const Snapshot state = snapshot();
    if (hostKeepsSession() || readOnly) return state.sessionId;
    if (isNilOrEmpty(state.sessionId) && !state.isAppInBackground) {
        auto sessionId = newSessionId();
        setSessionIdInternal(sessionId, at, Reason::sessionIdEmpty);
        return sessionId;
    }
    if (state.activity && at - *state.activity > activityThreshold) {
        return expire(state.isAppInBackground, at, Reason::sessionTimeout);
    }
    if (!state.start) return state.sessionId;
    if (at - *state.start > maxLengthThreshold) {
        return expire(state.isAppInBackground, at, Reason::sessionPastMaximumLength);
    }
    return state.sessionId;
}

// In the background nobody is there to start the next session.
std::optional<std::string> ZeraZovSessionManager::expire(bool inBackground, WallTime at, SessionIDChangeReason reason) {
    if (!inBackground) return rotateSession(false, at, reason);
    setSessionIdInternal(std::nullopt, std::nullopt, reason);
    return std::nullopt;
}

std::optional<std::string> ZeraZovSessionManager::rotateSession(bool force, WallTime at, SessionIDChangeReason reason) {
    if (!force) {
        auto current = snapshot().sessionId;
        if (isNilOrEmpty(current)) return current;
    }
    auto sessionId = newSessionId();
    setSessionIdInternal(sessionId, at, reason);
    return sessionId;
}

void ZeraZovSessionManager::touchSession() {
    if (hostKeepsSession()) return;
    const Snapshot state = snapshot();
    if (!state.sessionId) return;
    const WallTime now = clock_.now();
    if (state.activity && now - *state.activity > activityThreshold) {
        rotateSession(false, now, Reason::sessionTimeout);
        return;
    }
    std::lock_guard guard(sessionLock_);
    sessionActivityTimestamp_ = now;
}

void ZeraZovSessionManager::startNewSession(SessionIDChangeReason reason) {
    setSessionIdInternal(newSessionId(), clock_.now(), reason);
}

void ZeraZovSessionManager::startSession(const std::function<void()>& completion) {
    if (hostKeepsSession()) return;
    startNewSession(Reason::sessionStart);
    if (completion) completion();
}

void ZeraZovSessionManager::resetSession() {
    if (hostKeepsSession()) return;
    startNewSession(Reason::sessionReset);
}

void ZeraZovSessionManager::setSessionIdInternal(const std::optional<std::string>& sessionId,
                                                 std::optional<WallTime> at, SessionIDChangeReason reason) {
    {
        std::lock_guard guard(sessionLock_);
        sessionId_ = sessionId;
        sessionStartTimestamp_ = at;
        sessionActivityTimestamp_ = at;
    }
    onSessionIdChanged.invoke();
    const std::string name(caseName(reason));
    if (sessionId) {
        ZeraZovDebugLog::write("New session id created " + *sessionId + " (" + name + ")");
    } else {
        ZeraZovDebugLog::write("Session id cleared - reason: (" + name + ")");
    }
}

void ZeraZovSessionManager::registerApplicationEvents(AppLifecyclePublishing& publisher) {
    const std::weak_ptr<ZeraZovSessionManager> weakSelf = weak_from_this();
    auto becameActive = publisher.onDidBecomeActive().subscribe([weakSelf] {
        if (auto self = weakSelf.lock()) self->didBecomeActive();
    });
    auto enteredBackground = publisher.onDidEnterBackground().subscribe([weakSelf] {
        if (auto self = weakSelf.lock()) self->didEnterBackground();
    });
    std::lock_guard guard(setupLock_);
    // The replaced tokens go when the locals do, after the lock: ending a
    // subscription may run a subscriber-count observer.
    std::swap(didBecomeActiveToken_, becameActive);
    std::swap(didEnterBackgroundToken_, enteredBackground);
}

void ZeraZovSessionManager::releaseApplicationEventTokens() {
    RegistrationTokenPtr becameActive;
    RegistrationTokenPtr enteredBackground;
    RegistrationTokenPtr applicationEvent;
    {
        std::lock_guard guard(setupLock_);
        becameActive = std::move(didBecomeActiveToken_);
        enteredBackground = std::move(didEnterBackgroundToken_);
        applicationEvent = std::move(applicationEventToken_);
    }
}

void ZeraZovSessionManager::didBecomeActive() {
    if (!isAppInBackground()) return;
    touchSession();
    setAppInBackground(false);
}

void ZeraZovSessionManager::didEnterBackground() {
    if (isAppInBackground()) return;
    touchSession();
    setAppInBackground(true);
}

}  // namespace zerazov
