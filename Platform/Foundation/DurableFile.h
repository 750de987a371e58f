#pragma once
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "Platform/Foundation/Failure.h"
#include "Platform/Foundation/Result.h"
#include "Platform/Foundation/UniqueFd.h"

namespace platform {

// Whole-file reads and atomic replacements for files that must survive a crash
// or a power cut intact. Nothing here throws; a failure comes back as the
// error's text (see Failure and Result).
class DurableFile {
public:
    // The most a whole-file read takes in unless asked otherwise: far more than
    // any settings file, stored value or queued record this program writes, and
    // little enough that a file grown by accident (or on purpose) costs neither
    // the launch's time nor gigabytes of memory.
    static constexpr std::size_t readLimit = 16 * 1024 * 1024;

    // Only a regular file is read: a folder, a pipe or a device at the path is a
    // failure, and reading never blocks on one. So is a file of more than `limit`
    // bytes, found from its size before any byte is read, or while reading one
    // whose size says nothing (the kernel's own files) or that grows meanwhile.
    static Result<std::string> read(const std::filesystem::path& file, std::size_t limit = readLimit);
    // The same for the file `name` of an open folder; a symbolic link there is
    // not followed, and fails.
    static Result<std::string> readAt(int folder, const std::string& name, std::size_t limit = readLimit);
    // Whether a read failed because nothing is, or can be, at the path.
    static bool missing(const Result<std::string>& read);

    // A reader sees the old bytes or the new ones, never a part: the bytes go to
    // a private temporary file "<name>.tmp-XXXXXX" in the same folder, reach the
    // disk and then replace the file by rename, and the folder is synced so the
    // rename lasts too. Answers the error's
    // text on failure, when the old file is left as it was. The folder must exist.
    //
    // A symbolic link at `file` stays a link: the write lands in the file it
    // finally names (see resolveLinks), in that file's folder. The replaced file
    // keeps its permission bits; a new one is private to its owner (0600).
    static Failure writeAtomically(const std::filesystem::path& file, std::string_view bytes);

    // The same for a file that is the program's own (a stored value, its
    // autostart entry), which a link must never lead out of its folder: a
    // symbolic link at `file` is replaced by the new file, not followed, so
    // what the link named is left as it was. A regular file replaced keeps its
    // permission bits; a new one is 0600.
    static Failure writeOwn(const std::filesystem::path& file, std::string_view bytes);
    // The same for the file `name` of an open folder, worked in through its
    // descriptor: a link put where the folder was is never followed either.
    static Failure writeOwnAt(int folder, const std::string& name, std::string_view bytes);

    // The same for a name that holds nothing yet, such as a fresh record's: there
    // is no link to follow and no mode to keep, so nothing is looked up first.
    static Failure writeNew(const std::filesystem::path& file, std::string_view bytes);

    // The file that a write to `file` lands in: a symbolic link is followed to
    // what it names, a relative one from its own folder, through any chain of
    // links; a dangling link names the file to create. A path that is no link
    // (or names nothing yet) is its own target. Fails on a loop of links or a
    // link that cannot be read.
    static Result<std::filesystem::path> resolveLinks(const std::filesystem::path& file);

    // Writes every byte to the descriptor, resuming after interruptions and short
    // writes.
    static Failure writeAll(int fd, std::string_view bytes);
    // Why the last system call failed, as the failures above are worded.
    static std::string errnoText();

    // The mark between a final name and the random suffix of its temporary file.
    static constexpr std::string_view temporaryMark = ".tmp-";

    // Makes renames into the folder survive a power cut. Best effort: the files
    // are readable in place whatever happens here.
    static void syncFolder(const std::filesystem::path& folder);

private:
    static Result<std::string> readOpened(UniqueFd fd, std::size_t limit);
};

}  // namespace platform
