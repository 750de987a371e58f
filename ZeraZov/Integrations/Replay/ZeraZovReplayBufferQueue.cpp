#include "ZeraZov/Integrations/Replay/ZeraZovReplayBufferQueue.h"

#include <utility>

#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {

ZeraZovReplayBufferQueue::ZeraZovReplayBufferQueue(platform::PrivateFolder folder)
    : queue_(std::move(folder)), items_(namesInFolder(queue_)) {}

std::vector<std::string> ZeraZovReplayBufferQueue::namesInFolder(const ZeraZovQueueFolder& folder) {
    // A folder that is not there yet simply holds nothing.
    return folder.namesOldestFirst().valueOr({});
}

void ZeraZovReplayBufferQueue::resetBufferFolder() {
    if (const auto error = queue_.removeWhole())
        ZeraZovDebugLog::write("Could not empty replay buffer folder " + *error);
    if (const auto error = queue_.create())
        ZeraZovDebugLog::write("Error trying to create replay buffer folder " + *error);
    std::lock_guard guard(itemsLock_);
    items_.clear();
}

bool ZeraZovReplayBufferQueue::add(const std::string& bytes) {
    auto name = TimeBasedEpochGenerator::shared().v7().uuidString();
    // The buffer is emptied at every start, so no write here waits for the disk.
    if (const auto error = queue_.write(name, bytes)) {
        ZeraZovDebugLog::write("Could not write replay buffer file " + *error);
        return false;
    }
    std::lock_guard guard(itemsLock_);
    items_.push_back(std::move(name));
    return true;
}

std::vector<std::string> ZeraZovReplayBufferQueue::takeAll() {
    std::vector<std::string> names;
    {
        std::lock_guard guard(itemsLock_);
        names.swap(items_);
    }
    std::vector<std::string> stored;
    for (const auto& name : names) {
        if (auto read = queue_.read(name)) {
            stored.push_back(std::move(*read));
        } else {
            ZeraZovDebugLog::write("Dropping replay buffer file " + name +
                                   " that could not be read: " + *read.failure());
        }
        queue_.remove(name);
    }
    return stored;
}

std::size_t ZeraZovReplayBufferQueue::depth() const {
    std::lock_guard guard(itemsLock_);
    return items_.size();
}

std::vector<std::string> ZeraZovReplayBufferQueue::items() const {
    std::lock_guard guard(itemsLock_);
    return items_;
}

}  // namespace zerazov
