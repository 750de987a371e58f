#pragma once
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/DurableFile.h"

namespace zerazov {

// The folder of one record queue: one file per record, holding exactly the
// record's bytes. A record file is written to a temporary file that is then
// renamed into place, so it is there whole or not at all, also after the process
// is killed; sync() makes what was written since the last sync last through a
// power cut. Any thread may use it. Failures come back as the error's text.
class ZeraZovQueueFolder {
public:
    explicit ZeraZovQueueFolder(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path fileURL(std::string_view name) const { return path_ / name; }

    // Creates the folder and its parents when missing.
    std::optional<std::string> create() const;

    // Stores the bytes under the name, replacing what is there; once it answers
    // no error, every reader finds the whole file under that name. On failure
    // nothing is left behind. Waits for no disk.
    std::optional<std::string> write(std::string_view name, std::string_view bytes) const;

    // Moves a file of this file system in under the name, replacing what is there.
    std::optional<std::string> moveIn(const std::filesystem::path& source, std::string_view name) const;

    // Brings every file written or moved in since the last sync to the disk: those
    // files and the folder, nothing else of the disk.
    std::optional<std::string> sync() const;

    // The whole file; anything but a regular file is a failure.
    platform::DurableFile::ReadResult read(std::string_view name) const;

    // Removes the record file when it is there.
    void remove(std::string_view name) const;

    // The names in the folder, oldest first. Temporary files left by a process
    // that stopped halfway through a write are removed, not listed.
    std::optional<std::vector<std::string>> namesOldestFirst(std::string& error) const;

    static bool isTemporaryName(std::string_view name);

private:
    void awaitSync(std::string_view name) const;

    std::filesystem::path path_;
    mutable std::mutex unsyncedLock_;
    mutable std::vector<std::string> unsynced_;  // written or moved in since the last sync
};

}  // namespace zerazov
