#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <system_error>
#include <tuple>
#include <utility>

#include "Platform/Foundation/UniqueFd.h"
#include "ZeraZov/Core/Storage/FileUtils.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;

// Seconds and nanoseconds since 1970.
using FileTime = std::pair<std::int64_t, std::uint32_t>;

using platform::DurableFile;

// When the record's bytes were last written. A record file is never changed
// after its rename, so for one made fresh this is its birth give or take the
// write; a spare's birth is that of the record it first held. Files of older
// layouts keep the time they were written, also when moved in.
FileTime writtenDate(const fs::path& file) {
    struct statx info {};
    if (::statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_MTIME, &info) != 0) {
        return {std::numeric_limits<std::int64_t>::min(), 0};  // the distant past
    }
    return {info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec};
}

struct Entry {
    FileTime created;
    std::string name;
};

}  // namespace

std::optional<std::string> ZeraZovQueueFolder::create() const {
    std::error_code error;
    fs::create_directories(path_, error);
    if (error) return error.message();
    return std::nullopt;
}

// Record names are fresh and time-ordered: there is no link or mode to look up.
// Each way of writing hands its file to the next sync.
std::optional<std::string> ZeraZovQueueFolder::write(const std::string& name, std::string_view bytes) const {
    const auto spare = spares_.take();
    return spare ? writeIntoSpare(*spare, name, bytes) : writeFresh(name, bytes);
}

std::optional<std::string> ZeraZovQueueFolder::writeIntoSpare(const std::string& spare, const std::string& name,
                                                              std::string_view bytes) const {
    const auto file = spares_.fileURL(spare);
    // Kept spares are empty, so nothing is cut. One gone meanwhile (the folder
    // emptied by hand) leaves the record to a new file.
    platform::UniqueFd fd(::open(file.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) return writeFresh(name, bytes);
    if (DurableFile::writeAll(fd.get(), bytes) && fd.close() &&
        ::rename(file.c_str(), fileURL(name).c_str()) == 0) {
        awaitSync(name);
        return std::nullopt;
    }
    auto error = DurableFile::errnoText();
    ::unlink(file.c_str());
    return error;
}

// A file made without a name in the folder and linked under the record's name
// once whole: a process killed on the way leaves nothing behind. Where the file
// system makes no such files, or /proc is missing, a temporary file renamed into
// place does the same; so does a name that is taken, which a link cannot
// replace (a move of older records cut short and run again writes its files
// again, and must go on past them).
std::optional<std::string> ZeraZovQueueFolder::writeFresh(const std::string& name, std::string_view bytes) const {
    if (const auto folder = heldFolder_.get()) {
        if (writeLinked(folder->get(), name, bytes)) return std::nullopt;
        // A taken name is no sign of a folder gone stale.
        if (errno != EEXIST) heldFolder_.drop(folder);
    }
    return writeFreshByPath(name, bytes);
}

// Through the folder's descriptor, so that neither making the file nor naming it
// walks the folder's path or /proc's (together about a third of an add on tmpfs).
// Since Linux 6.10 the opener may link a descriptor by AT_EMPTY_PATH without
// privilege; older kernels refuse that with ENOENT, and then the /proc name does
// it. False when the record is not stored this way, with nothing left behind: a
// folder removed since it was opened, a file system without nameless files, a
// full disk; the path then gives the answer.
bool ZeraZovQueueFolder::writeLinked(int folder, const std::string& name, std::string_view bytes) const {
    platform::UniqueFd fd(::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!fd.valid() || !DurableFile::writeAll(fd.get(), bytes)) return false;
    if (::linkat(fd.get(), "", folder, name.c_str(), AT_EMPTY_PATH) != 0) {
        if (errno != ENOENT) return false;
        char descriptor[32];
        std::snprintf(descriptor, sizeof descriptor, "/proc/self/fd/%d", fd.get());
        if (::linkat(AT_FDCWD, descriptor, folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0) return false;
    }
    if (handToSync(fd, name)) return true;
    ::unlinkat(folder, name.c_str(), 0);
    return false;
}

std::optional<std::string> ZeraZovQueueFolder::writeFreshByPath(const std::string& name, std::string_view bytes) const {
    const auto temporaryInstead = [&]() -> std::optional<std::string> {
        auto error = DurableFile::writeNew(fileURL(name), bytes, DurableFile::Sync::later);
        if (!error) awaitSync(name);
        return error;
    };
    platform::UniqueFd fd(::open(path_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (!fd.valid() && (errno == EOPNOTSUPP || errno == EISDIR)) return temporaryInstead();
    if (!fd.valid() || !DurableFile::writeAll(fd.get(), bytes)) return DurableFile::errnoText();
    // Naming the descriptor needs no privilege, unlike linking it by AT_EMPTY_PATH
    // on kernels before 6.10.
    char descriptor[32];
    std::snprintf(descriptor, sizeof descriptor, "/proc/self/fd/%d", fd.get());
    const auto file = fileURL(name);
    if (::linkat(AT_FDCWD, descriptor, AT_FDCWD, file.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        if (errno == ENOENT || errno == EEXIST) return temporaryInstead();
        return DurableFile::errnoText();
    }
    if (handToSync(fd, name)) return std::nullopt;
    auto error = DurableFile::errnoText();
    ::unlink(file.c_str());
    return error;
}

std::optional<std::string> ZeraZovQueueFolder::moveIn(const fs::path& source, std::string_view name) const {
    if (::rename(source.c_str(), fileURL(name).c_str()) != 0) return DurableFile::errnoText();
    awaitSync(name);
    return std::nullopt;
}

void ZeraZovQueueFolder::awaitSync(std::string_view name) const {
    std::lock_guard guard(unsyncedLock_);
    unsynced_.emplace_back(name);
}

// Held open, the sync needs neither to open the file again nor, here, to close
// it: a close reports nothing of a local file's writes that its fdatasync does
// not. Past the bound the file is closed and synced by name.
bool ZeraZovQueueFolder::handToSync(platform::UniqueFd& file, std::string_view name) const {
    {
        std::lock_guard guard(unsyncedLock_);
        if (unsyncedOpen_.size() < mostHeldOpen) {
            unsyncedOpen_.push_back(std::move(file));
            return true;
        }
    }
    if (!file.close()) return false;
    awaitSync(name);
    return true;
}

std::optional<std::string> ZeraZovQueueFolder::sync() const {
    std::vector<std::string> names;
    std::vector<platform::UniqueFd> files;
    {
        std::lock_guard guard(unsyncedLock_);
        names.swap(unsynced_);
        files.swap(unsyncedOpen_);
    }
    std::optional<std::string> failure;
    for (const auto& file : files) {
        if (::fdatasync(file.get()) != 0 && !failure) failure = DurableFile::errnoText();
    }
    // The folder last, after every file it names.
    auto folderFailure = DurableFile::syncFiles(path_, names);
    return failure ? failure : folderFailure;
}

DurableFile::ReadResult ZeraZovQueueFolder::read(std::string_view name) const {
    return DurableFile::read(fileURL(name));
}

void ZeraZovQueueFolder::remove(std::string_view name) const { deleteSafely(fileURL(name)); }

void ZeraZovQueueFolder::retire(const std::string& name) const {
    if (!spares_.keep(fileURL(name), name)) remove(name);
}

std::optional<std::vector<std::string>> ZeraZovQueueFolder::namesOldestFirst(std::string& error) const {
    std::vector<Entry> entries;
    std::error_code listing;
    for (fs::directory_iterator it(path_, listing), end; !listing && it != end; it.increment(listing)) {
        auto name = it->path().filename().string();
        if (name == spareFolderName) continue;
        if (isTemporaryName(name)) {
            deleteSafely(it->path());
            continue;
        }
        entries.push_back({writtenDate(it->path()), std::move(name)});
    }
    if (listing) {
        error = listing.message();
        return std::nullopt;
    }
    spares_.load();
    // File times come from a coarse clock, so records written in one burst
    // share them; the names (time-ordered ids, or legacy timestamps) then keep
    // such records in the order they were written.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.created, a.name) < std::tie(b.created, b.name);
    });
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (auto& entry : entries) names.push_back(std::move(entry.name));
    return names;
}

bool ZeraZovQueueFolder::isTemporaryName(std::string_view name) {
    return name.find(DurableFile::temporaryMark) != std::string_view::npos;
}

}  // namespace zerazov
