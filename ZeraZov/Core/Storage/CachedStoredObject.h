#pragma once
#include <optional>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov {

// A JSON object under one storage key, read from storage at first use and then
// kept, also when nothing usable was stored. It has no lock: its owner's lock
// guards it.
class CachedStoredObject {
public:
    explicit CachedStoredObject(ZeraZovStorage::StorageKey key) : key_(key) {}

    // The stored value when it is an object, else nothing.
    static std::optional<nlohmann::json> read(const ZeraZovStorage& storage, ZeraZovStorage::StorageKey key) {
        auto value = storage.getJSON(key);
        if (!value || !value->is_object()) return std::nullopt;
        return value;
    }

    const std::optional<nlohmann::json>& value(const ZeraZovStorage& storage) {
        if (!loaded_) set(read(storage, key_));
        return value_;
    }
    // The value, or an empty object when there is none.
    const nlohmann::json& object(const ZeraZovStorage& storage) {
        static const nlohmann::json empty = nlohmann::json::object();
        const auto& current = value(storage);
        return current ? *current : empty;
    }

    // Keeps the value without writing it.
    void set(std::optional<nlohmann::json> value) {
        loaded_ = true;
        value_ = std::move(value);
    }
    // Writes the value through and keeps it.
    void store(const ZeraZovStorage& storage, nlohmann::json value) {
        storage.setJSON(key_, value);
        set(std::move(value));
    }
    // Reads storage again at next use.
    void forget() {
        loaded_ = false;
        value_.reset();
    }

private:
    ZeraZovStorage::StorageKey key_;
    bool loaded_ = false;
    std::optional<nlohmann::json> value_;
};

}  // namespace zerazov
