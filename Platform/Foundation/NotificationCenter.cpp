#include "Platform/Foundation/NotificationCenter.h"

#include <algorithm>

#include "Platform/Foundation/MainQueue.h"

namespace platform {

class NotificationCenter::Token : public ObserverToken {
public:
    Token(std::weak_ptr<NotificationCenter*> center, std::uint64_t id) : center_(std::move(center)), id_(id) {}
    ~Token() override {
        if (auto center = center_.lock()) (*center)->remove(id_);
    }

private:
    std::weak_ptr<NotificationCenter*> center_;
    std::uint64_t id_;
};

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

ObserverTokenPtr NotificationCenter::addObserver(const std::string& name, MainQueue* queue, Handler handler) {
    std::lock_guard lock(mutex_);
    const std::uint64_t id = nextId_++;
    entries_.push_back(
        {id, name, queue, std::make_shared<Handler>(std::move(handler)), std::make_shared<std::atomic<bool>>(true)});
    return std::make_shared<Token>(self_, id);
}

void NotificationCenter::post(const std::string& name, nlohmann::json userInfo) {
    std::vector<Entry> observers;
    {
        std::lock_guard lock(mutex_);
        std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(observers),
                     [&name](const Entry& entry) { return entry.name == name; });
    }
    const auto notification = std::make_shared<const Notification>(Notification{name, std::move(userInfo)});
    for (const Entry& observer : observers) {
        if (!*observer.active) continue;
        if (observer.queue == nullptr || observer.queue->isMainThread()) {
            (*observer.handler)(*notification);
            continue;
        }
        observer.queue->async([handler = observer.handler, active = observer.active, notification] {
            if (*active) (*handler)(*notification);
        });
    }
}

void NotificationCenter::remove(std::uint64_t id) {
    std::vector<Entry> removed;
    {
        std::lock_guard lock(mutex_);
        const auto first = std::stable_partition(entries_.begin(), entries_.end(),
                                                 [id](const Entry& entry) { return entry.id != id; });
        std::for_each(first, entries_.end(), [](const Entry& entry) { *entry.active = false; });
        removed.assign(std::make_move_iterator(first), std::make_move_iterator(entries_.end()));
        entries_.erase(first, entries_.end());
    }
    // `removed` dies here, outside the lock: the handler's captures may post or
    // release other tokens from their destructors.
}

}  // namespace platform
