#include "ZeraZov/Client/Private/ZeraZovCallTracker.h"

namespace zerazov {

ZeraZovCallTracker::Entry::Entry(ZeraZovCallTracker& tracker) : tracker_(&tracker) { tracker_->enter(); }

ZeraZovCallTracker::Entry::~Entry() {
    if (tracker_) tracker_->leave();
}

ZeraZovCallTracker::Entry::Entry(Entry&& other) noexcept : tracker_(other.tracker_) { other.tracker_ = nullptr; }

void ZeraZovCallTracker::enter() {
    std::lock_guard guard(lock_);
    ++calls_[std::this_thread::get_id()];
}

void ZeraZovCallTracker::leave() {
    {
        std::lock_guard guard(lock_);
        const auto found = calls_.find(std::this_thread::get_id());
        if (found == calls_.end() || --found->second > 0) return;
        calls_.erase(found);
    }
    left_.notify_all();
}

void ZeraZovCallTracker::waitForOtherThreads() {
    std::unique_lock lock(lock_);
    const auto self = std::this_thread::get_id();
    left_.wait(lock, [&] { return calls_.empty() || (calls_.size() == 1 && calls_.contains(self)); });
}

}  // namespace zerazov
