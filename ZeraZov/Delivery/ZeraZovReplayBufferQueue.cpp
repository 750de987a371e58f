#include "ZeraZov/Delivery/ZeraZovReplayBufferQueue.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "ZeraZov/Core/FileUtils.h"
#include "ZeraZov/Core/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/ZeraZovDebugLog.h"
#include "Platform/Foundation/DurableFile.h"
#include "ZeraZov/Delivery/ZeraZovQueueFolder.h"

namespace zerazov {

ZeraZovReplayBufferQueue::ZeraZovReplayBufferQueue(std::filesystem::path folder)
    : queue_(std::move(folder)), items_(namesInFolder(queue_)) {}

std::vector<std::string> ZeraZovReplayBufferQueue::namesInFolder(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        auto name = it->path().filename().string();
        if (it->is_regular_file(error) && !ZeraZovQueueFolder::isTemporaryName(name)) names.push_back(std::move(name));
    }
    // Time-ordered ids sort by when they were made.
    std::sort(names.begin(), names.end());
    return names;
}

void ZeraZovReplayBufferQueue::resetBufferFolder() {
    deleteSafely(queue_);
    std::error_code error;
    std::filesystem::create_directories(queue_, error);
    if (error) ZeraZovDebugLog::write("Error trying to create replay buffer folder " + error.message());
    std::lock_guard guard(itemsLock_);
    items_.clear();
}

void ZeraZovReplayBufferQueue::add(const std::string& bytes) {
    const auto name = TimeBasedEpochGenerator::shared().v7().uuidString();
    // Written like every queued record, so a crash never leaves a torn one behind.
    if (const auto error = platform::DurableFile::writeAtomically(queue_ / name, bytes)) {
        ZeraZovDebugLog::write("Could not write replay buffer file " + *error);
        return;
    }
    std::lock_guard guard(itemsLock_);
    items_.push_back(name);
}

std::vector<std::string> ZeraZovReplayBufferQueue::takeAll() {
    std::vector<std::string> names;
    {
        std::lock_guard guard(itemsLock_);
        names.swap(items_);
    }
    std::vector<std::string> stored;
    for (const auto& name : names) {
        if (auto read = platform::DurableFile::read(queue_ / name); read.bytes) stored.push_back(std::move(*read.bytes));
        deleteSafely(queue_ / name);
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
