#pragma once
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov {

class ZeraZovConfig;

// Who the client reports for: the anonymous, distinct and device ids and the
// identified and person-processing flags. Each is read from storage on first
// use, kept in memory and written through when set. Safe from any thread.
class ZeraZovStorageManager {
public:
    using AnonymousIdGenerator = std::function<UUID(UUID)>;

    // Opens its own store over the configuration's folder of the program and takes
    // the configuration's anonymous-id generator.
    ZeraZovStorageManager(const ZeraZovConfig& config, const platform::BundleInfo& program);
    // The generator turns each fresh version-7 id into the anonymous id's.
    ZeraZovStorageManager(const std::filesystem::path& baseFolder, std::string_view projectToken,
                          AnonymousIdGenerator idGen);
    ZeraZovStorageManager(const ZeraZovStorageManager&) = delete;
    ZeraZovStorageManager& operator=(const ZeraZovStorageManager&) = delete;

    // Made, stored and kept on first use when none is stored.
    std::string getAnonymousId();
    void setAnonymousId(const std::string& id);
    // The anonymous id of the first time it was asked for; survives every reset.
    std::string getDeviceId();
    // The identified id, else the anonymous id (which is not stored as distinct id).
    std::string getDistinctId();
    void setDistinctId(const std::string& id);
    // Without a stored answer: whether the distinct id differs from the anonymous id.
    bool isIdentified();
    void setIdentified(bool identified);
    bool isPersonProcessing();
    // Writes only a changed value.
    void setPersonProcessing(bool enabled);
    // Forgets the cached values (and, with resetStorage, their files) except the
    // device id and, when asked, the anonymous id.
    void reset(bool keepAnonymousId, bool resetStorage);

    const ZeraZovStorage& storage() const { return storage_; }

private:
    using Key = ZeraZovStorage::StorageKey;

    using Loader = std::optional<std::string> (ZeraZovStorageManager::*)(std::optional<std::string>& candidate);

    template <typename Attempt>
    auto withAnonymousIdCandidate(Attempt attempt);
    std::string loadUnder(std::mutex& lock, Loader loader);
    template <typename T>
    bool loadCached(std::optional<T>& cache, Key key) const;
    template <typename T>
    void cacheAndStore(std::mutex& lock, std::optional<T>& cache, Key key, const T& value);
    std::optional<std::string> loadAnonymousIdLocked(std::optional<std::string>& candidate);
    std::optional<std::string> loadDistinctIdLocked(std::optional<std::string>& candidate);
    std::optional<std::string> loadDeviceIdLocked(std::optional<std::string>& candidate);
    std::string makeAnonymousId() const;
    void forget(std::mutex& lock, Key key, bool resetStorage, const std::function<void()>& clear);

    ZeraZovStorage storage_;
    const AnonymousIdGenerator idGen_;

    // Where one value needs another, the locks nest in one order only:
    // identifiedLock_, then distinctLock_ or deviceIdLock_, then anonLock_.
    std::mutex anonLock_;  // guards anonymousId_
    std::optional<std::string> anonymousId_;

    std::mutex distinctLock_;  // guards distinctId_ and cachedDistinctId_
    std::optional<std::string> distinctId_;
    bool cachedDistinctId_ = false;

    std::mutex deviceIdLock_;  // guards deviceId_
    std::optional<std::string> deviceId_;

    std::mutex identifiedLock_;  // guards isIdentifiedValue_
    std::optional<bool> isIdentifiedValue_;

    std::mutex personProcessingLock_;  // guards personProcessingEnabled_
    std::optional<bool> personProcessingEnabled_;
};

}  // namespace zerazov
