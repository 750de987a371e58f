#include "ZeraZov/Core/Storage/ZeraZovStorageManager.h"

#include <exception>
#include <type_traits>
#include <utility>

#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {

ZeraZovStorageManager::ZeraZovStorageManager(const ZeraZovConfig& config, const platform::BundleInfo& program)
    : storage_(config, program), idGen_(config.getAnonymousId.get()) {}

ZeraZovStorageManager::ZeraZovStorageManager(const std::filesystem::path& baseFolder, std::string_view projectToken,
                                             AnonymousIdGenerator idGen)
    : storage_(baseFolder, projectToken), idGen_(std::move(idGen)) {}

// The application's generator is its own code and must not run under our locks
// (it might call back into this store). So an attempt that needs a new
// anonymous id gives up with nothing, the id is made with no lock held, and
// the attempt runs again with it. A candidate is used at most once; only a
// reset on another thread between two attempts makes a third one.
template <typename Attempt>
auto ZeraZovStorageManager::withAnonymousIdCandidate(Attempt attempt) {
    std::optional<std::string> candidate;
    for (;;) {
        if (auto result = attempt(candidate)) return *result;
        candidate = makeAnonymousId();
    }
}

std::string ZeraZovStorageManager::makeAnonymousId() const {
    const UUID fresh = TimeBasedEpochGenerator::shared().v7();
    if (!idGen_) return fresh.uuidString();
    try {
        return idGen_(fresh).uuidString();
    } catch (const std::exception& error) {
        ZeraZovDebugLog::write(std::string("getAnonymousId failed, using a generated id: ") + error.what());
    } catch (...) {
        ZeraZovDebugLog::write("getAnonymousId failed, using a generated id");
    }
    return fresh.uuidString();
}

// Fills an empty cache from storage; answers whether the cache holds a value.
template <typename T>
bool ZeraZovStorageManager::loadCached(std::optional<T>& cache, Key key) const {
    if (cache) return true;
    if constexpr (std::is_same_v<T, bool>) {
        cache = storage_.getBool(key);
    } else {
        cache = storage_.getString(key);
    }
    return cache.has_value();
}

template <typename T>
void ZeraZovStorageManager::cacheAndStore(std::mutex& lock, std::optional<T>& cache, Key key, const T& value) {
    std::lock_guard guard(lock);
    cache = value;
    storage_.setJSON(key, value);
}

std::string ZeraZovStorageManager::loadUnder(std::mutex& lock, Loader loader) {
    return withAnonymousIdCandidate([this, &lock, loader](std::optional<std::string>& candidate) {
        std::lock_guard guard(lock);
        return (this->*loader)(candidate);
    });
}

// Called with anonLock_ held. Takes the candidate when it stores it.
std::optional<std::string> ZeraZovStorageManager::loadAnonymousIdLocked(std::optional<std::string>& candidate) {
    if (loadCached(anonymousId_, Key::anonymousId)) return anonymousId_;
    if (!candidate) return std::nullopt;
    anonymousId_ = std::exchange(candidate, std::nullopt);
    storage_.setJSON(Key::anonymousId, *anonymousId_);
    return anonymousId_;
}

// Called with distinctLock_ held. Without an identified id the anonymous id
// answers; anonLock_ is taken inside so that no reset or identify on another
// thread slips between the two reads. The stored id is looked for only once.
std::optional<std::string> ZeraZovStorageManager::loadDistinctIdLocked(std::optional<std::string>& candidate) {
    if (distinctId_) return distinctId_;
    if (!cachedDistinctId_) {
        cachedDistinctId_ = true;
        if (loadCached(distinctId_, Key::distinctId)) return distinctId_;
    }
    std::lock_guard anonGuard(anonLock_);
    return loadAnonymousIdLocked(candidate);
}

// Called with deviceIdLock_ held. The first device id is the anonymous id of
// that moment; anonLock_ is taken inside so that two first readers on
// different threads settle on one device id.
std::optional<std::string> ZeraZovStorageManager::loadDeviceIdLocked(std::optional<std::string>& candidate) {
    if (loadCached(deviceId_, Key::deviceId)) return deviceId_;
    std::optional<std::string> anonymous;
    {
        std::lock_guard anonGuard(anonLock_);
        anonymous = loadAnonymousIdLocked(candidate);
    }
    if (!anonymous) return std::nullopt;
    deviceId_ = anonymous;
    storage_.setJSON(Key::deviceId, *anonymous);
    return deviceId_;
}

std::string ZeraZovStorageManager::getAnonymousId() {
    return loadUnder(anonLock_, &ZeraZovStorageManager::loadAnonymousIdLocked);
}

void ZeraZovStorageManager::setAnonymousId(const std::string& id) {
    cacheAndStore(anonLock_, anonymousId_, Key::anonymousId, id);
}

std::string ZeraZovStorageManager::getDeviceId() {
    return loadUnder(deviceIdLock_, &ZeraZovStorageManager::loadDeviceIdLocked);
}

std::string ZeraZovStorageManager::getDistinctId() {
    return loadUnder(distinctLock_, &ZeraZovStorageManager::loadDistinctIdLocked);
}

void ZeraZovStorageManager::setDistinctId(const std::string& id) {
    cacheAndStore(distinctLock_, distinctId_, Key::distinctId, id);
}

bool ZeraZovStorageManager::isIdentified() {
    return withAnonymousIdCandidate([this](std::optional<std::string>& candidate) -> std::optional<bool> {
        // Held throughout so that the answer computed below is the one cached.
        std::lock_guard guard(identifiedLock_);
        if (loadCached(isIdentifiedValue_, Key::isIdentified)) return isIdentifiedValue_;
        std::optional<std::string> distinct;
        {
            std::lock_guard distinctGuard(distinctLock_);
            distinct = loadDistinctIdLocked(candidate);
        }
        if (!distinct) return std::nullopt;
        std::optional<std::string> anonymous;
        {
            std::lock_guard anonGuard(anonLock_);
            anonymous = loadAnonymousIdLocked(candidate);
        }
        if (!anonymous) return std::nullopt;
        // Derived, not stored: a later identify or a stored answer decides for good.
        isIdentifiedValue_ = *distinct != *anonymous;
        return isIdentifiedValue_;
    });
}

void ZeraZovStorageManager::setIdentified(bool identified) {
    cacheAndStore(identifiedLock_, isIdentifiedValue_, Key::isIdentified, identified);
}

bool ZeraZovStorageManager::isPersonProcessing() {
    std::lock_guard guard(personProcessingLock_);
    if (!loadCached(personProcessingEnabled_, Key::personProcessingEnabled)) personProcessingEnabled_ = false;
    return *personProcessingEnabled_;
}

void ZeraZovStorageManager::setPersonProcessing(bool enabled) {
    std::lock_guard guard(personProcessingLock_);
    if (personProcessingEnabled_ == enabled) return;
    personProcessingEnabled_ = enabled;
    storage_.setJSON(Key::personProcessingEnabled, enabled);
}

void ZeraZovStorageManager::forget(std::mutex& lock, Key key, bool resetStorage, const std::function<void()>& clear) {
    std::lock_guard guard(lock);
    clear();
    if (resetStorage) storage_.setData(key, std::nullopt);
}

void ZeraZovStorageManager::reset(bool keepAnonymousId, bool resetStorage) {
    forget(distinctLock_, Key::distinctId, resetStorage, [this] {
        distinctId_.reset();
        cachedDistinctId_ = false;
    });
    if (!keepAnonymousId) forget(anonLock_, Key::anonymousId, resetStorage, [this] { anonymousId_.reset(); });
    forget(identifiedLock_, Key::isIdentified, resetStorage, [this] { isIdentifiedValue_.reset(); });
    forget(personProcessingLock_, Key::personProcessingEnabled, resetStorage,
           [this] { personProcessingEnabled_.reset(); });
}

}  // namespace zerazov
