#pragma once
#include <cstddef>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "ZeraZov/Delivery/ZeraZovQueueBatch.h"
#include "ZeraZov/Delivery/ZeraZovQueueFolder.h"

namespace zerazov {

// The records of one upload stream, one file per record in one folder, oldest
// first. A record is an opaque byte string. Records survive restarts: set-up
// reads the folder back oldest first after migrating older layouts into it.
// Every operation may run on any thread; none throws, failures are logged.
class ZeraZovFileBackedQueue {
public:
    explicit ZeraZovFileBackedQueue(std::filesystem::path queue);
    ZeraZovFileBackedQueue(const ZeraZovFileBackedQueue&) = delete;
    ZeraZovFileBackedQueue& operator=(const ZeraZovFileBackedQueue&) = delete;

    // Once, before the first add: creates the folder, migrates each old location
    // in order (a folder of record files, or a legacy file holding a JSON array
    // of events) and loads the records found in the folder.
    void setup(const std::vector<std::filesystem::path>& oldQueues);

    // Stores the record under a new time-ordered id. True once the record is on
    // disk and queued; false when it could not be written (it is then lost).
    bool add(std::string_view contents);

    // Reads up to `count` records from the head without removing them. Names
    // whose file is gone are passed over without counting; an unreadable file
    // is deleted and passed over. Both are still in the batch's names.
    ZeraZovQueueBatch peek(std::size_t count);

    // Removes the named records and their files; names no longer queued are
    // ignored, so a batch dropped meanwhile removes nothing else.
    void deleteNames(const std::vector<std::string>& names);

    // Removes the record at `index` (0 is the oldest); nothing past the end.
    void deleteAt(std::size_t index);

    // Removes every record queued at the moment of the call and answers how
    // many. The folder stays: a record being added meanwhile is kept.
    std::size_t deleteAll();

    std::size_t depth() const;

private:
    void load();
    // Reads the named record into the batch, or passes over it.
    void readInto(ZeraZovQueueBatch& batch, std::string name) const;

    const ZeraZovQueueFolder folder_;

    mutable std::mutex itemsLock_;
    std::deque<std::string> items_;  // file names, the oldest first
};

}  // namespace zerazov
