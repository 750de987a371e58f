#pragma once
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zerazov {

// The emptied files of a queue's removed records, kept in a folder of their own
// inside the queue's folder, for new records to be written into. A new file is
// what makes a queue slow on ext4 without a journal: to find a free inode it
// walks past every inode deleted in the last minutes, so a queue that deleted
// each uploaded record and made a file for each new one would lengthen that walk
// with its own traffic (perf showed it as most of the kernel's time per add).
// A spare holds no bytes of the record it was, and a file half written into it
// is never under a record's name. Any thread may use it.
class ZeraZovSpareFiles {
public:
    // Enough for a full events queue's worth; empty files take no data blocks.
    static constexpr std::size_t mostKept = 1000;

    explicit ZeraZovSpareFiles(std::filesystem::path folder) : path_(std::move(folder)) {}

    std::filesystem::path fileURL(std::string_view name) const { return path_ / name; }

    // The name of an empty spare, taken out of the pool; nothing when none is kept.
    std::optional<std::string> take() const;

    // Moves the file in under the name and empties it, for a later take(). False
    // when it is not kept (the pool is full, or the file could not be moved), and
    // the caller deletes it; a file moved in that cannot be emptied is deleted here.
    bool keep(const std::filesystem::path& file, const std::string& name) const;

    // Creates the folder when missing; false when that failed.
    bool createFolder() const;

    // Takes in the empty files found in the folder, such as those an earlier run
    // kept; a file with bytes in it (a write that a killed process left halfway)
    // or anything else is deleted.
    void load() const;

private:
    // Makes the moved-in file empty; false when it is not kept.
    bool empty(const std::string& name) const;

    std::filesystem::path path_;
    mutable std::mutex poolLock_;
    mutable std::vector<std::string> pool_;  // empty files, the most recently emptied last
};

}  // namespace zerazov
