#pragma once
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "ZeraZov/Delivery/FileQueue/ZeraZovHeldFolder.h"

namespace zerazov {

// The emptied files of a queue's removed records, kept in a folder of their own
// inside the queue's folder, for new records to be written into. A new file is
// what makes a queue slow on ext4 without a journal: to find a free inode it
// walks past every inode deleted in the last minutes, so a queue that deleted
// each uploaded record and made a file for each new one would lengthen that walk
// with its own traffic (perf showed it as most of the kernel's time per add).
// A spare holds no bytes of the record it was, and a file half written into it
// is never under a record's name.
//
// The spares belong to one opening of the queue's folder: given another (the
// folder was made again or replaced), the pool starts over in the new one. A
// link where the spares' folder should be is reported and left alone; the
// queue then does without spares. Any thread may use it.
class ZeraZovSpareFiles {
public:
    using Descriptor = ZeraZovHeldFolder::Descriptor;

    // Enough for a full events queue's worth; empty files take no data blocks.
    static constexpr std::size_t mostKept = 1000;
    // The entry of the queue's folder that holds them.
    static constexpr std::string_view folderName = ".spare";

    // `queuePath` only names the folder in reports.
    explicit ZeraZovSpareFiles(std::filesystem::path queuePath) : path_(std::move(queuePath) / folderName) {}

    // Claims an empty spare of `folder`'s for the writer alone by renaming it to
    // claimedName(name) in the spares' folder, whose descriptor it answers;
    // nothing when no spare is kept. Another writer on the same folder (a second
    // queue object, or another process) that kept the same spare finds it gone
    // and takes the next; one that loads the spares meanwhile leaves it alone.
    Descriptor claim(const Descriptor& folder, const std::string& name) const;
    // The name a spare claimed for the record `name` has until it is filled.
    static std::string claimedName(const std::string& name) { return name + std::string(claimedMark); }

    // Whether the open file may hold a record: a regular file of this user with
    // no other name (a record written into it would show there, and be emptied
    // there when retired), made 0600 when it is not. Asked before a spare is
    // emptied or written.
    [[nodiscard]] static bool fitForRecord(int fd);

    // Moves the record file `name` of `folder` in under its name and empties it,
    // for a later claim. False when it is not kept (the pool is full, there is no
    // spares' folder, or the file could not be moved), and the caller deletes it;
    // a file moved in that cannot be emptied is deleted here.
    bool keep(const Descriptor& folder, const std::string& name) const;

    // Takes in the empty files found in `folder`'s spares' folder, such as those an
    // earlier run kept. A claimed one is never taken in: left to its writer
    // while it is empty or may still be filled (see mayStillBeFilled), deleted
    // once older. Another file (a retired record not yet emptied, anything
    // else) is deleted. Folders found there are left alone.
    void load(const Descriptor& folder) const;

    // Deletes the spares' folder of `folder`, which the queue is done with, and
    // the empty spares in it; a claimed one (and so the folder) is left to its
    // writer, as load() does.
    static void removeAll(int folder);

private:
    static constexpr std::string_view claimedMark = ".claimed";

    // Called with the lock held: the spares' folder of `folder`, opened (and made,
    // when `make`) if not yet; nothing when there is none.
    Descriptor spareFolderOf(const Descriptor& folder, bool make) const;
    // Makes the moved-in file empty; false when it is not kept.
    static bool empty(int spareFolder, const std::string& name);

    std::filesystem::path path_;
    mutable std::mutex poolLock_;  // guards every field below
    mutable Descriptor owner_;     // the opening of the queue's folder the spares belong to
    mutable Descriptor spareFolder_;
    mutable bool refused_ = false;           // a link (or no folder) is where the spares' folder goes
    mutable std::vector<std::string> pool_;  // empty files, the most recently emptied last
};

}  // namespace zerazov
