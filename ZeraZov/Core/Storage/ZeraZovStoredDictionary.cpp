#include "ZeraZov/Core/Storage/ZeraZovStoredDictionary.h"

#include <utility>

namespace zerazov {

ZeraZovStoredDictionary::ZeraZovStoredDictionary(std::shared_ptr<const ZeraZovStorage> storage,
                                                 ZeraZovStorage::StorageKey key, Accepts accepts)
    : storage_(std::move(storage)), key_(key), accepts_(std::move(accepts)) {}

nlohmann::json ZeraZovStoredDictionary::get() {
    std::lock_guard guard(lock_);
    return loadedLocked();
}

nlohmann::json ZeraZovStoredDictionary::update(const std::function<void(nlohmann::json& dictionary)>& change) {
    std::lock_guard guard(lock_);
    auto& dictionary = loadedLocked();
    change(dictionary);
    storage_->setJSON(key_, dictionary);
    return dictionary;
}

void ZeraZovStoredDictionary::forget() {
    std::lock_guard guard(lock_);
    value_.reset();
}

nlohmann::json& ZeraZovStoredDictionary::loadedLocked() {
    if (value_) return *value_;
    auto stored = storage_->getJSON(key_);
    value_ = nlohmann::json::object();
    if (!stored || !stored->is_object()) return *value_;
    for (auto& [name, value] : stored->items()) {
        if (!accepts_ || accepts_(value)) (*value_)[name] = std::move(value);
    }
    return *value_;
}

}  // namespace zerazov
