#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

namespace zerazov::testing {

// Collects what completions deliver on the client's worker thread and lets the test
// wait, within a bound, for the first of them.
template <typename Value>
class CompletionRecorder {
public:
    static constexpr auto waitLimit = std::chrono::seconds(20);

    void record(Value value) {
        {
            std::lock_guard guard(lock_);
            values_.push_back(std::move(value));
        }
        arrived_.notify_all();
    }

    // Nothing when no completion arrived within the bound.
    std::optional<Value> waitForFirst() {
        std::unique_lock guard(lock_);
        if (!arrived_.wait_for(guard, waitLimit, [this] { return !values_.empty(); })) return std::nullopt;
        return values_.front();
    }

    // True when `count` completions arrived within the bound.
    bool waitForCount(std::size_t count) {
        std::unique_lock guard(lock_);
        return arrived_.wait_for(guard, waitLimit, [this, count] { return values_.size() >= count; });
    }

    std::vector<Value> values() const {
        std::lock_guard guard(lock_);
        return values_;
    }

private:
    mutable std::mutex lock_;
    std::condition_variable arrived_;
    std::vector<Value> values_;
};

}  // namespace zerazov::testing
