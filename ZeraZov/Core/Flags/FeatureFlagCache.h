#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Storage/CachedStoredObject.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov {

// The feature flags of the last answer as the client keeps them, each read from
// storage at first use and written through: the flag values, their payloads,
// the detailed per-flag records, and the answer's request id and evaluation time.
class FeatureFlagCache {
public:
    // One answer's parts, already checked for their types.
    struct Answer {
        nlohmann::json featureFlags;
        nlohmann::json payloads;
        std::optional<nlohmann::json> detailed;
        std::optional<std::string> requestId;
        std::optional<std::int64_t> evaluatedAt;
        // Flags the server could not compute this time keep their cached values.
        bool partial = false;
    };

    explicit FeatureFlagCache(std::shared_ptr<const ZeraZovStorage> storage) : storage_(std::move(storage)) {}
    FeatureFlagCache(const FeatureFlagCache&) = delete;
    FeatureFlagCache& operator=(const FeatureFlagCache&) = delete;

    // Empty objects when there are none.
    nlohmann::json featureFlags();
    nlohmann::json detailedFlags();
    std::optional<std::string> requestId();
    std::optional<std::int64_t> evaluatedAt();
    // A flag's value and payload (null when it has none); nothing when the flag has no value.
    std::optional<std::pair<nlohmann::json, nlohmann::json>> lookup(const std::string& key);

    // Keeps and stores an answer; answers the flag values now in force.
    nlohmann::json store(const Answer& answer);
    // Empties everything, in storage too.
    void clear();

private:
    using Key = ZeraZovStorage::StorageKey;

    const std::shared_ptr<const ZeraZovStorage> storage_;
    std::mutex lock_;  // guards every field below
    CachedStoredObject detailed_{Key::flags};
    CachedStoredObject featureFlags_{Key::enabledFeatureFlags};
    CachedStoredObject payloads_{Key::enabledFeatureFlagPayloads};
    std::optional<std::string> requestId_;
    bool requestIdLoaded_ = false;
    std::optional<std::int64_t> evaluatedAt_;
    bool evaluatedAtLoaded_ = false;
};

}  // namespace zerazov
