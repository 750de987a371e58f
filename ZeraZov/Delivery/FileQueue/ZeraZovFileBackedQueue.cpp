#include "ZeraZov/Delivery/FileQueue/ZeraZovFileBackedQueue.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FileQueue/Private/ZeraZovQueueMigration.h"

namespace zerazov {

ZeraZovFileBackedQueue::ZeraZovFileBackedQueue(platform::PrivateFolder queue,
                                               ZeraZovQueueHousekeeper::Policy syncPolicy)
    : folder_(std::move(queue)),
      housekeeper_([this] { return folder_.sync(); }, [this](const std::string& name) { folder_.retire(name); },
                   syncPolicy) {}

void ZeraZovFileBackedQueue::setup(const std::vector<std::filesystem::path>& oldQueues) {
    // A removal still pending would delete a migrated file that takes the same
    // name (legacy names are timestamps), or the loader would find the file
    // and queue a record that was already taken off.
    finishRemovals();
    if (const auto error = folder_.create()) {
        ZeraZovDebugLog::write("Error trying to create caching folder " + *error);
    }
    for (const auto& oldQueue : oldQueues) migrateOldQueue(oldQueue, folder_);
    load();
}

void ZeraZovFileBackedQueue::load() {
    auto names = folder_.namesOldestFirst();
    if (!names) {
        ZeraZovDebugLog::write("Failed to load files for queue " + *names.failure());
        return;
    }
    std::lock_guard lock(itemsLock_);
    items_.assign(std::make_move_iterator(names->begin()), std::make_move_iterator(names->end()));
}

ZeraZovFileBackedQueue::AddResult ZeraZovFileBackedQueue::add(std::string_view contents, std::size_t maxDepth) {
    auto name = TimeBasedEpochGenerator::shared().v7().uuidString();
    if (const auto error = folder_.write(name, contents)) {
        // A full disk loses every record from here on; the first loss is told
        // even with diagnostics off, later ones only with them on.
        ZeraZovDebugLog::writeFirstLoss(reportedWriteFailure_,
                                        "Could not write file " + folder_.fileURL(name).string() + ": " + *error);
        return {};
    }
    housekeeper_.written();
    AddResult result{true, false, 0};
    std::vector<std::string> dropped;
    {
        std::lock_guard lock(itemsLock_);
        if (!items_.empty() && items_.size() >= maxDepth) {
            dropped.push_back(std::move(items_.front()));
            items_.pop_front();
            result.droppedOldest = true;
        }
        items_.push_back(std::move(name));
        result.depth = items_.size();
    }
    housekeeper_.remove(std::move(dropped));
    return result;
}

ZeraZovQueueBatch ZeraZovFileBackedQueue::peek(std::size_t count) {
    std::vector<std::string> names;
    {
        std::lock_guard lock(itemsLock_);
        names.assign(items_.begin(), items_.end());
    }
    return read(std::move(names), count);
}

std::optional<ZeraZovQueueBatch> ZeraZovFileBackedQueue::peekAfter(const std::vector<std::string>& head,
                                                                   std::size_t count) {
    std::vector<std::string> names;
    {
        std::lock_guard lock(itemsLock_);
        if (!beginsWith(head)) return std::nullopt;
        names.assign(items_.begin() + static_cast<std::ptrdiff_t>(head.size()), items_.end());
    }
    return read(std::move(names), count);
}

bool ZeraZovFileBackedQueue::holds(const std::vector<std::string>& names, bool wholeQueue) const {
    std::lock_guard lock(itemsLock_);
    if (wholeQueue && items_.size() != names.size()) return false;
    return beginsWith(names);
}

bool ZeraZovFileBackedQueue::beginsWith(const std::vector<std::string>& names) const {
    return items_.size() >= names.size() && std::equal(names.begin(), names.end(), items_.begin());
}

ZeraZovQueueBatch ZeraZovFileBackedQueue::read(std::vector<std::string> names, std::size_t count) {
    ZeraZovQueueBatch batch;
    for (auto& name : names) {
        if (batch.records.size() >= count) break;
        readInto(batch, std::move(name));
    }
    return batch;
}

void ZeraZovFileBackedQueue::readInto(ZeraZovQueueBatch& batch, std::string name) {
    auto file = folder_.read(name);
    if (file) {
        batch.records.push_back(std::move(*file));
    } else if (platform::DurableFile::missing(file)) {
        ZeraZovDebugLog::write("File " + folder_.fileURL(name).string() + " does not exist");
    } else {
        ZeraZovDebugLog::write("File " + folder_.fileURL(name).string() + " is corrupted " + *file.failure());
        folder_.remove(name);
    }
    batch.names.push_back(std::move(name));
}

void ZeraZovFileBackedQueue::deleteNames(const std::vector<std::string>& names) {
    std::vector<std::string> removed;
    {
        std::lock_guard lock(itemsLock_);
        removed = takeNames(names);
    }
    housekeeper_.remove(std::move(removed));
}

std::vector<std::string> ZeraZovFileBackedQueue::takeNames(const std::vector<std::string>& names) {
    // Usually the names are still the head, as read: then no search is needed.
    if (beginsWith(names)) {
        const auto end = items_.begin() + static_cast<std::ptrdiff_t>(names.size());
        std::vector<std::string> taken(std::make_move_iterator(items_.begin()), std::make_move_iterator(end));
        items_.erase(items_.begin(), end);
        return taken;
    }
    const std::unordered_set<std::string> wanted(names.begin(), names.end());
    std::vector<std::string> taken;
    std::erase_if(items_, [&](const std::string& name) {
        if (!wanted.contains(name)) return false;
        taken.push_back(name);
        return true;
    });
    return taken;
}

void ZeraZovFileBackedQueue::deleteAt(std::size_t index) {
    std::vector<std::string> removed;
    {
        std::lock_guard lock(itemsLock_);
        if (index >= items_.size()) return;
        removed.push_back(std::move(items_[index]));
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    housekeeper_.remove(std::move(removed));
}

std::size_t ZeraZovFileBackedQueue::deleteAll() {
    std::deque<std::string> taken;
    {
        std::lock_guard lock(itemsLock_);
        taken.swap(items_);
    }
    const auto count = taken.size();
    housekeeper_.remove({std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end())});
    return count;
}

void ZeraZovFileBackedQueue::sync() { housekeeper_.syncNow(); }

void ZeraZovFileBackedQueue::finishRemovals() { housekeeper_.finishRemovals(); }

std::size_t ZeraZovFileBackedQueue::depth() const {
    std::lock_guard lock(itemsLock_);
    return items_.size();
}

}  // namespace zerazov
