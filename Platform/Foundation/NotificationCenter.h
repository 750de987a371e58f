#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace platform {

class MainQueue;

struct Notification {
    std::string name;
    nlohmann::json userInfo;  // an object, or null when the poster gave none
};

// Keeps an observer registered; releasing the last copy removes it.
class ObserverToken {
public:
    virtual ~ObserverToken() = default;
};
using ObserverTokenPtr = std::shared_ptr<ObserverToken>;

// Named notifications. Posting is synchronous: observers without a queue run on
// the posting thread before post returns. An observer given the main queue runs
// inline when the post happens on the main thread and is handed to the main queue
// otherwise. Observers run outside the center's lock, so they may post or
// unsubscribe themselves.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    ObserverTokenPtr addObserver(const std::string& name, MainQueue* queue, Handler handler);
    void post(const std::string& name, nlohmann::json userInfo = nullptr);

private:
    struct Entry {
        std::uint64_t id;
        std::string name;
        MainQueue* queue;
        std::shared_ptr<Handler> handler;
        // Cleared on removal, so a post already under way or a delivery already
        // queued on the main queue skips an observer that is gone.
        std::shared_ptr<std::atomic<bool>> active;
    };
    class Token;

    void remove(std::uint64_t id);

    std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextId_ = 1;
    // Tokens hold a weak copy so that one outliving its center does nothing.
    std::shared_ptr<NotificationCenter*> self_ = std::make_shared<NotificationCenter*>(this);
};

}  // namespace platform
