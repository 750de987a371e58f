#pragma once
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/DurableFile.h"
#include "Platform/Foundation/Failure.h"
#include "Platform/Foundation/PrivateFolder.h"
#include "Platform/Foundation/Result.h"
#include "Platform/Foundation/UniqueFd.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovHeldFolder.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovSpareFiles.h"

namespace zerazov {

// The folder of one record queue: one file per record, holding exactly the
// record's bytes. A record's file is written where no reader looks and only then
// renamed to its name: the emptied file of a retired record (see
// ZeraZovSpareFiles), or else a new file under a temporary name. So it is there
// whole or not at all, also after the process is killed; sync() makes what was
// written since the last sync last through a power cut.
//
// The folder is the program's own (see platform::PrivateFolder): all work goes
// through its descriptor and never follows a link. A folder removed while the
// program runs is made again by the next write; one moved away (or replaced) is
// noticed by the next sync, or by a read that misses, and the records written
// into it since the last sync move over to the folder now at the path. While a
// file stands in its place, records go to a folder beside it, and come back
// once the folder can be there again. Any thread may use it. Failures come back
// as the error's text.
class ZeraZovQueueFolder {
public:
    // The folder's entry that holds the spare files; never a record's name.
    static constexpr std::string_view spareFolderName = ZeraZovSpareFiles::folderName;

    explicit ZeraZovQueueFolder(platform::PrivateFolder folder);

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path fileURL(std::string_view name) const { return path_ / name; }

    // Creates the folder and its parents when missing, each 0700.
    platform::Failure create() const;
    // Removes the folder with all it holds, unless it is a link (left alone,
    // reported); the next write or create makes it again.
    platform::Failure removeWhole() const;

    // Stores the bytes under the name, replacing what is there; once it answers
    // no error, every reader finds the whole file under that name. On failure
    // nothing is left behind. Waits for no disk.
    platform::Failure write(const std::string& name, std::string_view bytes) const;

    // Moves a file of this file system in under the name, replacing what is there.
    platform::Failure moveIn(const std::filesystem::path& source, std::string_view name) const;

    // Brings every file written or moved in since the last sync to the disk: those
    // files and the folder, nothing else of the disk.
    platform::Failure sync() const;

    // The whole file; anything but a regular file is a failure. No folder
    // holds no record: that failure counts as missing (DurableFile::missing).
    platform::Result<std::string> read(const std::string& name) const;

    // Removes the record file when it is there.
    void remove(const std::string& name) const;
    // Takes the record file out of the folder, as remove does, but keeps its file,
    // emptied, for a later write.
    void retire(const std::string& name) const;

    // The record names in the folder, oldest first: by the time their bytes were
    // written (a spare's birth is older than its record), then by name. Only
    // regular files are records. Temporary files left by a process that stopped
    // halfway through a write are removed, not listed, once no writer can still
    // be filling them (see mayStillBeFilled); the spare files are taken in for
    // later writes.
    platform::Result<std::vector<std::string>> namesOldestFirst() const;

    static bool isTemporaryName(std::string_view name);

private:
    using Descriptor = ZeraZovHeldFolder::Descriptor;

    // A file written or moved in since the last sync, and the folder it went into.
    struct Unsynced {
        std::string name;
        Descriptor folder;
    };

    // A failure carries the system's error number.
    platform::Failure writeInto(const Descriptor& folder, const std::string& name, std::string_view bytes) const;
    platform::Failure writeIntoSpare(const Descriptor& folder, const Descriptor& spares, const std::string& name,
                                     std::string_view bytes) const;
    platform::Failure writeTemporary(const Descriptor& folder, const std::string& name, std::string_view bytes) const;
    // Writes the bytes into the open file `fromName` of folder `from`, then renames
    // it to `name` in `folder`; on failure the file is removed.
    platform::Failure fillAndName(platform::UniqueFd& fd, int from, const std::string& fromName,
                                  const Descriptor& folder, const std::string& name, std::string_view bytes) const;
    // Gives the next sync the record's file, named `name` in `folder`.
    void handToSync(const Descriptor& folder, const std::string& name) const;
    // The folder now at the path, with every record written since the last sync
    // into an earlier one moved over; `unsynced` is the list to look through.
    platform::Result<Descriptor> reconcile(std::vector<Unsynced>& unsynced) const;
    // Moves the records kept in the folder beside (see ZeraZovHeldFolder) into
    // `current`, unless that is the one beside, and removes what is left of it.
    void bringBackFromAside(const Descriptor& current) const;

    std::filesystem::path path_;
    ZeraZovSpareFiles spares_;
    ZeraZovHeldFolder heldFolder_;
    mutable std::mutex unsyncedLock_;
    mutable std::vector<Unsynced> unsynced_;  // guarded by unsyncedLock_
};

}  // namespace zerazov
