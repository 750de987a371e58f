#pragma once
#include <mutex>
#include <utility>

namespace zerazov {

// A setting that one thread may replace while others read it (texts, lists,
// closures): every read answers a copy taken under the value's own lock.
template <typename T>
class LockedValue {
public:
    LockedValue() = default;
    explicit LockedValue(T value) : value_(std::move(value)) {}
    LockedValue(const LockedValue&) = delete;
    LockedValue& operator=(const LockedValue&) = delete;

    T get() const {
        std::lock_guard guard(lock_);
        return value_;
    }

    void set(T value) {
        std::lock_guard guard(lock_);
        value_ = std::move(value);
    }

private:
    mutable std::mutex lock_;
    T value_{};
};

}  // namespace zerazov
