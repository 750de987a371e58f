#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {

// Holding the token is holding the subscription: when the last reference goes,
// the handler it stands for is removed. A token that outlives its multicast
// callback ends harmlessly.
class RegistrationToken {
public:
    explicit RegistrationToken(std::function<void()> onDealloc) : onDealloc_(std::move(onDealloc)) {}
    ~RegistrationToken() {
        if (!onDealloc_) return;
        // A destructor must not throw; the unsubscribe only takes a lock and a count observer.
        try {
            onDealloc_();
        } catch (...) {}
    }
    RegistrationToken(const RegistrationToken&) = delete;
    RegistrationToken& operator=(const RegistrationToken&) = delete;

private:
    std::function<void()> onDealloc_;
};

using RegistrationTokenPtr = std::shared_ptr<RegistrationToken>;

// The client's in-process event bus. ZeraZovMulticastCallback<> carries no
// payload, ZeraZovMulticastCallback<T> hands every handler a const T&.
// Handlers run on the invoking thread, outside the lock, on a copy of the
// subscriber list taken when invoke began: a handler may subscribe, drop a token
// (its own too) or invoke again, and a change made during an invocation shows
// from the next one on. No order between subscribers is promised.
template <typename... Payload>
class ZeraZovMulticastCallback {
    static_assert(sizeof...(Payload) <= 1, "one payload at most");

public:
    using Handler = std::function<void(const Payload&...)>;
    using CountObserver = std::function<void(std::size_t count)>;

    ZeraZovMulticastCallback() = default;
    ZeraZovMulticastCallback(const ZeraZovMulticastCallback&) = delete;
    ZeraZovMulticastCallback& operator=(const ZeraZovMulticastCallback&) = delete;

    // The handler stays subscribed while the returned token lives.
    [[nodiscard]] RegistrationTokenPtr subscribe(Handler handler) {
        std::uint64_t key = 0;
        const auto [count, observer] = state_->add(std::move(handler), key);
        if (observer) observer(count);
        return std::make_shared<RegistrationToken>([weak = std::weak_ptr<State>(state_), key] {
            auto state = weak.lock();
            if (!state) return;
            const auto [remaining, countObserver] = state->remove(key);
            if (countObserver) countObserver(remaining);
        });
    }

    void invoke(const Payload&... payload) const {
        for (const auto& handler : state_->snapshot()) callSafely(*handler, payload...);
    }

    // Told the new count after every subscribe and every released token.
    void setOnSubscriberCountChanged(CountObserver observer) {
        std::lock_guard guard(state_->lock);
        state_->onSubscriberCountChanged = std::move(observer);
    }

    std::size_t subscriberCount() const {
        std::lock_guard guard(state_->lock);
        return state_->callbacks.size();
    }

private:
    using SharedHandler = std::shared_ptr<const Handler>;

    // Lives apart from the callback so that tokens can hold it weakly.
    struct State {
        std::mutex lock;  // guards callbacks, nextKey and onSubscriberCountChanged
        std::map<std::uint64_t, SharedHandler> callbacks;
        std::uint64_t nextKey = 0;
        CountObserver onSubscriberCountChanged;

        std::pair<std::size_t, CountObserver> add(Handler handler, std::uint64_t& key) {
            auto shared = std::make_shared<const Handler>(std::move(handler));
            std::lock_guard guard(lock);
            key = nextKey++;
            callbacks.emplace(key, std::move(shared));
            return {callbacks.size(), onSubscriberCountChanged};
        }

        std::pair<std::size_t, CountObserver> remove(std::uint64_t key) {
            SharedHandler removed;  // destroyed after the lock: its captures may do anything
            std::lock_guard guard(lock);
            auto it = callbacks.find(key);
            if (it != callbacks.end()) {
                removed = std::move(it->second);
                callbacks.erase(it);
            }
            return {callbacks.size(), onSubscriberCountChanged};
        }

        std::vector<SharedHandler> snapshot() {
            std::lock_guard guard(lock);
            std::vector<SharedHandler> copy;
            if (callbacks.empty()) return copy;
            copy.reserve(callbacks.size());
            for (const auto& entry : callbacks) copy.push_back(entry.second);
            return copy;
        }
    };

    // One failing subscriber must not keep the others from hearing the news,
    // nor let an exception out of the client.
    static void callSafely(const Handler& handler, const Payload&... payload) {
        if (!handler) return;
        try {
            handler(payload...);
        } catch (const std::exception& error) {
            ZeraZovDebugLog::write(std::string("Multicast handler failed: ") + error.what());
        } catch (...) {
            ZeraZovDebugLog::write("Multicast handler failed");
        }
    }

    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace zerazov
