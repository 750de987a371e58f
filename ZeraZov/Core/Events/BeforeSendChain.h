#pragma once
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace zerazov {

// The hooks a value passes before it is queued: each hook sees what the one before
// it answered, and the first that answers nothing drops the value. The hook list is
// swapped as a whole under the lock and always run outside it, so a hook may install
// a new list without deadlocking; the new list applies from the next value on.
template <typename T>
class BeforeSendChain {
public:
    using Block = std::function<std::optional<T>(T)>;

    BeforeSendChain() = default;
    BeforeSendChain(const BeforeSendChain&) = delete;
    BeforeSendChain& operator=(const BeforeSendChain&) = delete;

    // Replaces whatever was installed; an empty list passes every value through.
    void set(std::vector<Block> blocks) {
        auto installed = std::make_shared<const std::vector<Block>>(std::move(blocks));
        std::lock_guard guard(lock_);
        blocks_ = std::move(installed);
    }

    // A hook that throws drops the value: what it was meant to remove or redact
    // cannot be trusted to be gone, and no exception may reach the capturing caller.
    std::optional<T> apply(T value) const noexcept {
        const auto blocks = snapshot();
        if (!blocks) return value;
        std::optional<T> current(std::move(value));
        try {
            for (const auto& block : *blocks) {
                if (!block) continue;
                current = block(std::move(*current));
                if (!current) return std::nullopt;
            }
        } catch (...) {
            return std::nullopt;
        }
        return current;
    }

private:
    std::shared_ptr<const std::vector<Block>> snapshot() const {
        std::lock_guard guard(lock_);
        return blocks_;
    }

    mutable std::mutex lock_;
    std::shared_ptr<const std::vector<Block>> blocks_;
};

}  // namespace zerazov
