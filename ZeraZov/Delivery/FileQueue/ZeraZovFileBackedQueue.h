#pragma once
#include <atomic>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueHousekeeper.h"

namespace zerazov {

// What one read from the head of a file-backed queue took. The reader removes
// exactly `names` once it is done with the batch, so records added, dropped or
// skipped meanwhile never shift what it removes.
struct ZeraZovQueueBatch {
    // Every name the read walked over, oldest first: the records it read and
    // those it skipped because their file was gone or unreadable.
    std::vector<std::string> names;
    // The bytes of the records read, oldest first.
    std::vector<std::string> records;
};

// The records of one upload stream, one file per record in one folder, oldest
// first. A record is an opaque byte string. Records survive restarts: set-up
// reads the folder back oldest first after migrating older layouts into it.
// Every operation may run on any thread; none throws, failures are logged.
//
// Adds and removals never wait for the disk: a record whose add returned is whole
// in the folder and survives the process being killed; disk syncs are grouped
// on a worker (see ZeraZovQueueHousekeeper), which also takes the files of removed
// records out of the folder, kept empty for later adds (see ZeraZovSpareFiles).
// A removed record leaves the queue at once, so no later read sees it again.
class ZeraZovFileBackedQueue {
public:
    static constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();

    struct AddResult {
        bool stored = false;         // false: it could not be written and is lost
        bool droppedOldest = false;  // the queue was full and its oldest record went
        std::size_t depth = 0;       // the depth right after this add
    };

    explicit ZeraZovFileBackedQueue(platform::PrivateFolder queue,
                                    ZeraZovQueueHousekeeper::Policy syncPolicy = ZeraZovQueueHousekeeper::Policy{});
    ZeraZovFileBackedQueue(const ZeraZovFileBackedQueue&) = delete;
    ZeraZovFileBackedQueue& operator=(const ZeraZovFileBackedQueue&) = delete;

    // Once, before the first add: creates the folder, migrates each old location
    // in order (a folder of record files, or a legacy file holding a JSON array
    // of events) and loads the records found in the folder.
    void setup(const std::vector<std::filesystem::path>& oldQueues);

    // Stores the record under a new time-ordered id. A queue already holding
    // `maxDepth` records or more drops its oldest one in the same step, so adders
    // racing each other never take it past that depth.
    AddResult add(std::string_view contents, std::size_t maxDepth = unlimited);

    // Reads up to `count` records from the head without removing them. Names
    // whose file is gone are passed over without counting; an unreadable file
    // is deleted and passed over. Both are still in the batch's names.
    ZeraZovQueueBatch peek(std::size_t count);

    // As peek, for the records behind `head`: what the head will be once those
    // records are gone. Nothing when the queue does not begin with `head`.
    std::optional<ZeraZovQueueBatch> peekAfter(const std::vector<std::string>& head, std::size_t count);

    // Whether the queue begins with `names` or, for `wholeQueue`, holds exactly them.
    bool holds(const std::vector<std::string>& names, bool wholeQueue) const;

    // Removes the named records and their files; names no longer queued are
    // ignored, so a batch dropped meanwhile removes nothing else.
    void deleteNames(const std::vector<std::string>& names);

    // Removes the record at `index` (0 is the oldest); nothing past the end.
    void deleteAt(std::size_t index);

    // Removes every record queued at the moment of the call and answers how
    // many. The folder stays: a record being added meanwhile is kept.
    std::size_t deleteAll();

    // Returns once every record added so far would survive a power cut.
    void sync();
    // Returns once the files of every record removed so far are gone: for tests,
    // and for whoever reads the folder behind the queue's back.
    void finishRemovals();

    std::size_t depth() const;

private:
    void load();
    // Called with the lock held.
    bool beginsWith(const std::vector<std::string>& names) const;
    // Called with the lock held: takes those of the names still queued.
    std::vector<std::string> takeNames(const std::vector<std::string>& names);
    // Walks the names from the first until `count` records are read.
    ZeraZovQueueBatch read(std::vector<std::string> names, std::size_t count);
    // Reads the named record into the batch, or passes over it.
    void readInto(ZeraZovQueueBatch& batch, std::string name);

    const ZeraZovQueueFolder folder_;

    mutable std::mutex itemsLock_;
    std::atomic<bool> reportedWriteFailure_{false};
    std::deque<std::string> items_;  // file names, the oldest first

    ZeraZovQueueHousekeeper housekeeper_;  // last: its worker uses folder_
};

}  // namespace zerazov
