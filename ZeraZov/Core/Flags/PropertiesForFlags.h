#pragma once
#include <functional>
#include <memory>
#include <mutex>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov {

// Properties that flag evaluation takes into account (the person's, or the
// groups'), kept as one JSON object under one storage key: what was stored is
// handed in once at start, and every change is written through.
class PropertiesForFlags {
public:
    PropertiesForFlags(std::shared_ptr<const ZeraZovStorage> storage, ZeraZovStorage::StorageKey key)
        : storage_(std::move(storage)), key_(key) {}
    PropertiesForFlags(const PropertiesForFlags&) = delete;
    PropertiesForFlags& operator=(const PropertiesForFlags&) = delete;

    // What an earlier run stored; nothing is written.
    void load(nlohmann::json stored) {
        std::lock_guard guard(lock_);
        value_ = std::move(stored);
    }

    nlohmann::json get() const {
        std::lock_guard guard(lock_);
        return value_;
    }

    // Changes the object under the lock and stores the result.
    void update(const std::function<void(nlohmann::json& properties)>& change) {
        std::lock_guard guard(lock_);
        change(value_);
        storage_->setJSON(key_, value_);
    }

private:
    const std::shared_ptr<const ZeraZovStorage> storage_;
    const ZeraZovStorage::StorageKey key_;
    mutable std::mutex lock_;  // guards value_
    nlohmann::json value_ = nlohmann::json::object();
};

}  // namespace zerazov
