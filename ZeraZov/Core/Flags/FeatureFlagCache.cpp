#include "ZeraZov/Core/Flags/FeatureFlagCache.h"

#include "ZeraZov/Core/Utilities/JSONHelpers.h"

namespace zerazov {

nlohmann::json FeatureFlagCache::featureFlags() {
    std::lock_guard guard(lock_);
    return featureFlags_.object(*storage_);
}

nlohmann::json FeatureFlagCache::detailedFlags() {
    std::lock_guard guard(lock_);
    return detailed_.object(*storage_);
}

std::optional<std::string> FeatureFlagCache::requestId() {
    std::lock_guard guard(lock_);
    if (!requestIdLoaded_) requestId_ = storage_->getString(Key::requestId);
    requestIdLoaded_ = true;
    return requestId_;
}

std::optional<std::int64_t> FeatureFlagCache::evaluatedAt() {
    std::lock_guard guard(lock_);
    if (!evaluatedAtLoaded_) evaluatedAt_ = storage_->getNumber(Key::evaluatedAt);
    evaluatedAtLoaded_ = true;
    return evaluatedAt_;
}

std::optional<std::pair<nlohmann::json, nlohmann::json>> FeatureFlagCache::lookup(const std::string& key) {
    std::lock_guard guard(lock_);
    const auto& flags = featureFlags_.object(*storage_);
    const auto found = flags.find(key);
    if (found == flags.end()) return std::nullopt;
    return std::make_pair(*found, payloads_.object(*storage_).value(key, nlohmann::json()));
}

nlohmann::json FeatureFlagCache::store(const Answer& answer) {
    std::lock_guard guard(lock_);
    if (answer.requestId) {
        requestId_ = answer.requestId;
        requestIdLoaded_ = true;
        storage_->setJSON(Key::requestId, *answer.requestId);
    }
    if (answer.evaluatedAt) {
        evaluatedAt_ = answer.evaluatedAt;
        evaluatedAtLoaded_ = true;
        storage_->setJSON(Key::evaluatedAt, *answer.evaluatedAt);
    }
    // Cached entries first, the new ones written over them.
    auto flags = answer.partial ? merged(featureFlags_.object(*storage_), answer.featureFlags) : answer.featureFlags;
    auto payloads = answer.partial ? merged(payloads_.object(*storage_), answer.payloads) : answer.payloads;
    featureFlags_.store(*storage_, flags);
    payloads_.store(*storage_, std::move(payloads));
    if (answer.detailed) {
        detailed_.store(*storage_,
                        answer.partial ? merged(detailed_.object(*storage_), *answer.detailed) : *answer.detailed);
    }
    return flags;
}

void FeatureFlagCache::clear() {
    std::lock_guard guard(lock_);
    detailed_.store(*storage_, nlohmann::json::object());
    featureFlags_.store(*storage_, nlohmann::json::object());
    payloads_.store(*storage_, nlohmann::json::object());
    requestId_.reset();
    requestIdLoaded_ = true;
    evaluatedAt_.reset();
    evaluatedAtLoaded_ = true;
    storage_->setData(Key::requestId, std::nullopt);
    storage_->setData(Key::evaluatedAt, std::nullopt);
}

}  // namespace zerazov
