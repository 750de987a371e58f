#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov {

// A JSON object kept under one storage key and read on every event (the super
// properties, the groups): read from its file once, then answered from memory and
// written through on every change. Its lock makes each change one read-modify-write.
class ZeraZovStoredDictionary {
public:
    // Which stored members count; the others are left out when the file is read.
    using Accepts = std::function<bool(const nlohmann::json& value)>;

    ZeraZovStoredDictionary(std::shared_ptr<const ZeraZovStorage> storage, ZeraZovStorage::StorageKey key,
                            Accepts accepts = {});
    ZeraZovStoredDictionary(const ZeraZovStoredDictionary&) = delete;
    ZeraZovStoredDictionary& operator=(const ZeraZovStoredDictionary&) = delete;

    // An empty object when nothing usable is stored.
    nlohmann::json get();
    // Changes the object in place under the lock, stores it and answers what was stored.
    nlohmann::json update(const std::function<void(nlohmann::json& dictionary)>& change);
    // Reads the file again on next use: for after its file was deleted behind this object's back.
    void forget();

private:
    nlohmann::json& loadedLocked();

    const std::shared_ptr<const ZeraZovStorage> storage_;
    const ZeraZovStorage::StorageKey key_;
    const Accepts accepts_;

    std::mutex lock_;  // guards value_
    std::optional<nlohmann::json> value_;
};

}  // namespace zerazov
