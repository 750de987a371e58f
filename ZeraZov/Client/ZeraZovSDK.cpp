#include "ZeraZov/Client/ZeraZovSDK.h"

#include <type_traits>
#include <utility>

#include "ZeraZov/Client/Private/DeepLinkProperties.h"
#include "ZeraZov/Client/Private/ZeraZovCallTracker.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Storage/ZeraZovSessionManager.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

constexpr const char* notSetUpMessage =
    "ZeraZov method was called without `setup` being complete. Call wil be ignored.";

}  // namespace

// The facade names the events' time without including the event.
static_assert(std::is_same_v<ZeraZovSDK::Date, ZeraZovEvent::Date>);

ZeraZovSDK::ZeraZovSDK(Environment environment, std::shared_ptr<ZeraZovSessionManager> sessionManager)
    : environment_(std::move(environment)),
      config_(std::make_shared<ZeraZovConfig>("")),
      sessionManager_(std::move(sessionManager)),
      calls_(std::make_unique<ZeraZovCallTracker>()) {}

// The process-wide client's session manager is the one ZeraZovSessionManager::shared()
// answers, made with the same default clock as the client itself.
ZeraZovSDK& ZeraZovSDK::shared() {
    // Never destroyed: threads still capturing while the process exits must find it.
    static auto* instance =
        new std::shared_ptr<ZeraZovSDK>(new ZeraZovSDK(Environment{}, ZeraZovSessionManager::shared()));
    return **instance;
}

std::shared_ptr<ZeraZovSDK> ZeraZovSDK::create(Environment environment) {
    auto sessionManager = ZeraZovSessionManager::create(*environment.clock);
    return std::shared_ptr<ZeraZovSDK>(new ZeraZovSDK(std::move(environment), std::move(sessionManager)));
}

std::shared_ptr<ZeraZovSDK> ZeraZovSDK::with(std::shared_ptr<ZeraZovConfig> config, Environment environment) {
    auto client = create(std::move(environment));
    client->setup(std::move(config));
    return client;
}

void ZeraZovSDK::setEnvironment(Environment environment) {
    std::lock_guard guard(setupLock_);
    if (enabled_) return;
    environment_ = std::move(environment);
}

std::optional<ZeraZovSDK::Use> ZeraZovSDK::guardQuietly() const {
    std::lock_guard guard(setupLock_);
    if (!enabled_ || !parts_) return std::nullopt;
    return std::optional<Use>(std::in_place, parts_, *calls_);
}

std::optional<ZeraZovSDK::Use> ZeraZovSDK::guard() const {
    auto use = guardQuietly();
    if (!use) ZeraZovDebugLog::write(notSetUpMessage);
    return use;
}

bool ZeraZovSDK::isEnabled() const noexcept { return guard().has_value(); }

std::shared_ptr<ZeraZovConfig> ZeraZovSDK::config() const {
    std::lock_guard guard(setupLock_);
    return config_;
}

void ZeraZovSDK::debug(bool enabled) noexcept {
    if (guard()) ZeraZovDebugLog::setEnabled(enabled);
}

// ---- Identity and session ----

std::string ZeraZovSDK::getDistinctId() const noexcept {
    const auto use = guard();
    return use ? (*use)->storageManager->getDistinctId() : std::string();
}

std::string ZeraZovSDK::getAnonymousId() const noexcept {
    const auto use = guard();
    return use ? (*use)->storageManager->getAnonymousId() : std::string();
}

std::string ZeraZovSDK::getDeviceId() const noexcept {
    const auto use = guard();
    return use ? (*use)->storageManager->getDeviceId() : std::string();
}

std::optional<std::string> ZeraZovSDK::getSessionId() const noexcept {
    const auto use = guard();
    if (!use) return std::nullopt;
    return sessionManager_->getSessionId((*use)->clock->now(), true);
}

void ZeraZovSDK::startSession() noexcept {
    if (guard()) sessionManager_->startSession();
}

void ZeraZovSDK::endSession() noexcept {
    if (!guard() || ZeraZovLibraryInfo::name() == "zerazov-react-native") return;
    sessionManager_->setSessionIdInternal(std::nullopt, std::nullopt,
                                          ZeraZovSessionManager::SessionIDChangeReason::sessionEnd);
}

// ---- Deep links ----

void ZeraZovSDK::captureDeepLink(const std::optional<std::string>& url,
                                 const std::optional<std::string>& referrer) noexcept {
    if (!url) return;
    capture("Deep Link Opened", deepLinkProperties(*url, referrer));
}

void ZeraZovSDK::captureDeepLink(const std::vector<std::string>& urls) noexcept {
    for (const auto& url : urls) {
        if (!isFileURL(url)) captureDeepLink(url);
    }
}

// ---- Flushing ----

void ZeraZovSDK::flush() noexcept {
    if (const auto use = guard()) flushWith(**use);
}

void ZeraZovSDK::flushWith(const Parts& parts) {
    if (parts.queue->canFlush()) parts.queue->flush();
    parts.replayQueue->flush();
    if (parts.logsQueue->canFlush()) parts.logsQueue->flush();
}

bool ZeraZovSDK::waitForUploads(std::chrono::milliseconds timeout) noexcept {
    const auto use = guardQuietly();
    if (!use) return true;
    const bool idle = waitUntilAnswered(**use, std::chrono::steady_clock::now() + timeout);
    finishRemovals(**use);
    return idle;
}

bool ZeraZovSDK::flushAndWait(std::chrono::milliseconds timeout) noexcept {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto use = guardQuietly();
    if (!use) return false;
    const auto& parts = **use;
    const auto& queue = *parts.queue;
    // A flush that finds an upload under way (the one a launch starts when the
    // network is found) sends nothing: what it was for goes with the next one.
    for (auto left = queue.depth(); left > 0;) {
        flushWith(parts);
        if (!waitUntilAnswered(parts, deadline) || queue.pauseDescription()) break;
        const auto before = std::exchange(left, queue.depth());
        if (left >= before) break;
    }
    finishRemovals(parts);
    return queue.depth() == 0;
}

bool ZeraZovSDK::waitUntilAnswered(const Parts& parts, std::chrono::steady_clock::time_point deadline) {
    // A flush asked for just now may not have handed its batch over yet.
    parts.queue->waitForDispatchedFlushes();
    return parts.uploads->waitUntilIdle(deadline);
}

// The records the uploads delivered are deleted in the background; the process may
// end next, and a record left on disk would be sent again at the next launch.
void ZeraZovSDK::finishRemovals(const Parts& parts) {
    parts.queue->finishRemovals();
    parts.replayQueue->innerQueue().finishRemovals();
    parts.logsQueue->finishRemovals();
}

// ---- Logger ----

std::shared_ptr<ZeraZovLogger> ZeraZovSDK::logger() const {
    std::lock_guard guard(setupLock_);
    return logger_;
}

void ZeraZovSDK::setLogger(std::shared_ptr<ZeraZovLogger> logger) {
    std::lock_guard guard(setupLock_);
    logger_ = std::move(logger);
}

}  // namespace zerazov
