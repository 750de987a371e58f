#pragma once
#include <memory>
#include <mutex>
#include <optional>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Storage/CachedStoredObject.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov {

// The remote configuration document as the client holds it: the cached copy
// (the stored one of an earlier run until this run's answer comes) and whether
// this run's request was answered.
class RemoteConfigDocument {
public:
    explicit RemoteConfigDocument(std::shared_ptr<const ZeraZovStorage> storage) : storage_(std::move(storage)) {}
    RemoteConfigDocument(const RemoteConfigDocument&) = delete;
    RemoteConfigDocument& operator=(const RemoteConfigDocument&) = delete;

    std::optional<nlohmann::json> cached() {
        std::lock_guard guard(lock_);
        return document_.value(*storage_);
    }
    // Whether this run holds a document its request fetched (reads the stored one first).
    bool hasFetchedDocument() {
        std::lock_guard guard(lock_);
        return document_.value(*storage_) && didFetch_;
    }
    // Keeps and stores an answer.
    void store(const nlohmann::json& document) {
        std::lock_guard guard(lock_);
        document_.store(*storage_, document);
    }
    void markFetched() {
        std::lock_guard guard(lock_);
        didFetch_ = true;
    }
    bool didFetch() const {
        std::lock_guard guard(lock_);
        return didFetch_;
    }
    // Forgets the copy and the fetch; the stored document stays.
    void reset() {
        std::lock_guard guard(lock_);
        document_.forget();
        didFetch_ = false;
    }

private:
    const std::shared_ptr<const ZeraZovStorage> storage_;
    mutable std::mutex lock_;  // guards both fields
    CachedStoredObject document_{ZeraZovStorage::StorageKey::remoteConfig};
    bool didFetch_ = false;
};

}  // namespace zerazov
