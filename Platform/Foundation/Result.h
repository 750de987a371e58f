#pragma once
#include <optional>
#include <utility>

#include "Platform/Foundation/Failure.h"

namespace platform {

// What a call that gives a value answers: the value, or the Failure that tells
// why there is none (see Failure.h for a call that only can fail). Built from
// either; being [[nodiscard]], it is never dropped unread.
//
// A value of a type that a text also makes (std::string, JSON) is told apart
// by the type: a failure is always a Failure, never a bare text.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    // `why` is a failure, not the empty Failure of a call that went well.
    Result(Failure why) : failure_(std::move(why)) {}  // NOLINT(google-explicit-constructor)

    // True when there is a value.
    explicit operator bool() const noexcept { return value_.has_value(); }
    // The value; only when there is one.
    T& operator*() & noexcept { return *value_; }
    const T& operator*() const& noexcept { return *value_; }
    T&& operator*() && noexcept { return std::move(*value_); }
    T* operator->() noexcept { return &*value_; }
    const T* operator->() const noexcept { return &*value_; }

    // The value, or `fallback` when there is none.
    T valueOr(T fallback) const& { return value_ ? *value_ : std::move(fallback); }
    T valueOr(T fallback) && { return value_ ? std::move(*value_) : std::move(fallback); }

    // Why there is no value; no failure when there is one.
    const Failure& failure() const noexcept { return failure_; }

private:
    std::optional<T> value_;
    Failure failure_;
};

}  // namespace platform
