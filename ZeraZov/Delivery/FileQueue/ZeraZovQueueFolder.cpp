#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>

#include "ZeraZov/Core/Storage/FileUtils.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FileQueue/Private/ZeraZovFillingFile.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;

// Seconds and nanoseconds since 1970.
using FileTime = std::pair<std::int64_t, std::uint32_t>;

using platform::DurableFile;

struct Entry {
    FileTime created;
    std::string name;
};

// A regular file's entry with the time the record's bytes were last written. A
// record file is never changed after its rename, so for one made fresh this is
// its birth give or take the write; a spare's birth is that of the record it
// first held. Files of older layouts keep the time they were written, also when
// moved in. Anything else (a folder, a link) is no record.
std::optional<Entry> recordEntry(int folder, std::string name) {
    struct statx info {};
    if (::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MTIME, &info) != 0) {
        return Entry{{std::numeric_limits<std::int64_t>::min(), 0}, std::move(name)};  // the distant past
    }
    if (!S_ISREG(info.stx_mode)) return std::nullopt;
    return Entry{{info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec}, std::move(name)};
}

// A temporary file no writer can still be filling was left by one that
// stopped halfway.
void removeLeftOver(int folder, const std::string& name) {
    if (!mayStillBeFilled(folder, name)) ::unlinkat(folder, name.c_str(), 0);
}

}  // namespace

ZeraZovQueueFolder::ZeraZovQueueFolder(platform::PrivateFolder folder)
    : path_(folder.path()), spares_(path_), heldFolder_(std::move(folder)) {}

platform::Failure ZeraZovQueueFolder::create() const { return heldFolder_.folder().make(); }

platform::Failure ZeraZovQueueFolder::removeWhole() const {
    auto opened = heldFolder_.folder().open();
    heldFolder_.drop();
    // Records kept beside the folder while a file stood in its place go too.
    if (heldFolder_.aside().open()) deleteSafely(heldFolder_.aside().path());
    // Only a link is worth telling of: anything else in the way stops the create that follows.
    if (!opened) return opened.failure().errorNumber() == ELOOP ? opened.failure() : platform::Failure();
    deleteSafely(path_);
    return std::nullopt;
}

// Record names are fresh and time-ordered: there is no link or mode to look up.
// A write that fails in a folder removed since it was opened (the kernel answers
// ENOENT) makes the folder again and writes there.
platform::Failure ZeraZovQueueFolder::write(const std::string& name, std::string_view bytes) const {
    const auto held = heldFolder_.get();
    auto failed = held ? writeInto(*held, name, bytes) : platform::Failure::ofErrorNumber(ENOENT);
    if (!failed) return failed;
    const auto folder = heldFolder_.current(true);
    if (!folder) return folder.failure();
    if (!held || *folder != *held) failed = writeInto(*folder, name, bytes);
    return failed;
}

// Two ways, one step: the bytes go into a file no reader looks at, which is then
// renamed to the record's name, whole.
// - A claimed spare: on ext4 without a journal a new file walks past every inode
//   deleted in the last minute, measured there at 200-300 µs an add after a
//   queue's worth of deletes, against 20 µs for a spare.
// - Else a new file under a temporary name: the way every file system and kernel
//   allows, and one that replaces a record name already taken (a move of older
//   records cut short and run again writes its files again). A file made without
//   a name and linked was measured within 4% of it on ext4 and 1-2 µs faster on
//   tmpfs, the latter only since Linux 6.10 (older kernels refuse the link without
//   privilege, and the link through /proc cost what the rename costs), so it is
//   not taken.
//
// A file that vanished before its rename (the kernel answers ENOENT: a set-up
// of another queue on this folder took it for a leftover) is written again.
platform::Failure ZeraZovQueueFolder::writeInto(const Descriptor& folder, const std::string& name,
                                                std::string_view bytes) const {
    constexpr int attempts = 3;
    platform::Failure failed;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const auto spares = spares_.claim(folder, name);
        failed = spares ? writeIntoSpare(folder, spares, name, bytes) : writeTemporary(folder, name, bytes);
        if (failed.errorNumber() != ENOENT) break;
    }
    return failed;
}

// The claimed spare sits under a name of the record's in the spares' folder,
// where no reader looks; kept spares are empty, so nothing is cut.
platform::Failure ZeraZovQueueFolder::writeIntoSpare(const Descriptor& folder, const Descriptor& spares,
                                                     const std::string& name, std::string_view bytes) const {
    const auto claimed = ZeraZovSpareFiles::claimedName(name);
    platform::UniqueFd fd(::openat(spares->get(), claimed.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.valid() && ZeraZovSpareFiles::fitForRecord(fd.get())) {
        return fillAndName(fd, spares->get(), claimed, folder, name, bytes);
    }
    // One gone meanwhile (the folder emptied by hand), or no file of the
    // record's own, leaves the record to a new file.
    ::unlinkat(spares->get(), claimed.c_str(), 0);
    return writeTemporary(folder, name, bytes);
}

// A killed process leaves at most the temporary file, which the next load removes.
platform::Failure ZeraZovQueueFolder::writeTemporary(const Descriptor& folder, const std::string& name,
                                                     std::string_view bytes) const {
    // The record's name is new to this process, so its temporary name is too.
    // Made new, never opened: a file or link already there (put there, or left
    // by a write given up) is taken away first, so the record's file is 0600 and
    // no other name sees its bytes.
    const std::string temporary = name + std::string(DurableFile::temporaryMark) + "write";
    const auto make = [&] {
        return platform::UniqueFd(
            ::openat(folder->get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    };
    platform::UniqueFd fd = make();
    if (!fd.valid() && errno == EEXIST && ::unlinkat(folder->get(), temporary.c_str(), 0) == 0) fd = make();
    if (!fd.valid()) return platform::Failure::ofErrorNumber(errno);
    return fillAndName(fd, folder->get(), temporary, folder, name, bytes);
}

// Closed before the rename: the sync opens the file again by name, which cost the
// writer nothing measurable and keeps no descriptor per waiting record.
platform::Failure ZeraZovQueueFolder::fillAndName(platform::UniqueFd& fd, int from, const std::string& fromName,
                                                  const Descriptor& folder, const std::string& name,
                                                  std::string_view bytes) const {
    auto failed = DurableFile::writeAll(fd.get(), bytes);
    if (!failed && (!fd.close() || ::renameat(from, fromName.c_str(), folder->get(), name.c_str()) != 0)) {
        failed = platform::Failure::ofErrorNumber(errno);
    }
    if (!failed) {
        handToSync(folder, name);
        return failed;
    }
    ::unlinkat(from, fromName.c_str(), 0);
    return failed;
}

platform::Failure ZeraZovQueueFolder::moveIn(const fs::path& source, std::string_view name) const {
    const auto folder = heldFolder_.get();
    if (!folder) return folder.failure();
    const std::string own(name);
    if (::renameat(AT_FDCWD, source.c_str(), (*folder)->get(), own.c_str()) != 0) return DurableFile::errnoText();
    handToSync(*folder, own);
    return std::nullopt;
}

void ZeraZovQueueFolder::handToSync(const Descriptor& folder, const std::string& name) const {
    std::lock_guard guard(unsyncedLock_);
    unsynced_.push_back({name, folder});
}

platform::Result<ZeraZovQueueFolder::Descriptor> ZeraZovQueueFolder::reconcile(std::vector<Unsynced>& unsynced) const {
    const auto opened = heldFolder_.current(true);
    if (!opened) return opened;
    const auto& current = *opened;
    bringBackFromAside(current);
    for (auto& entry : unsynced) {
        if (entry.folder == current) continue;
        // Written into a folder since moved away or removed: moved over, when it
        // still can be, to where readers look.
        if (::renameat(entry.folder->get(), entry.name.c_str(), current->get(), entry.name.c_str()) == 0) {
            ZeraZovDebugLog::write("Moved record " + entry.name + " into the queue folder now at " + path_.string());
        }
        entry.folder = current;
    }
    return current;
}

// Moved by name, so the queue in memory still names them. A record still being
// written into the folder beside is in the list of those to sync, and moved by
// the next sync; a file still being filled there keeps the folder (the removal
// fails) for a later call.
void ZeraZovQueueFolder::bringBackFromAside(const Descriptor& current) const {
    const auto aside = heldFolder_.asideApartFrom(current);
    if (!aside.valid()) return;
    int moved = 0;
    for (const auto& name : platform::PrivateFolder::entryNames(aside.get()).valueOr({})) {
        if (isTemporaryName(name)) removeLeftOver(aside.get(), name);
        if (name == spareFolderName || isTemporaryName(name) || !recordEntry(aside.get(), name)) continue;
        if (::renameat(aside.get(), name.c_str(), current->get(), name.c_str()) == 0) ++moved;
    }
    ZeraZovSpareFiles::removeAll(aside.get());
    ::rmdir(heldFolder_.aside().path().c_str());
    if (moved == 0) return;
    ZeraZovDebugLog::write("Moved " + std::to_string(moved) + " records from " + heldFolder_.aside().path().string() +
                           " into the queue folder now at " + path_.string());
}

platform::Failure ZeraZovQueueFolder::sync() const {
    std::vector<Unsynced> files;
    {
        std::lock_guard guard(unsyncedLock_);
        files.swap(unsynced_);
    }
    const auto current = reconcile(files);
    if (!current) return current.failure();
    const auto& folder = *current;
    platform::Failure failure;
    for (const auto& file : files) {
        const platform::UniqueFd fd(
            ::openat(folder->get(), file.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (!fd.valid()) {
            if (errno != ENOENT && !failure) failure = DurableFile::errnoText();
            continue;
        }
        if (::fdatasync(fd.get()) != 0 && !failure) failure = DurableFile::errnoText();
    }
    // The folder last, after every file it names.
    if (::fsync(folder->get()) != 0 && !failure) failure = DurableFile::errnoText();
    return failure;
}

// A record missed where it was written may sit in a folder moved away since:
// the folder now at the path is looked up, and the read tried once more there.
platform::Result<std::string> ZeraZovQueueFolder::read(const std::string& name) const {
    const auto folder = heldFolder_.get();
    // No folder (or a link refused in its place) holds no record.
    if (!folder) return platform::Failure(*folder.failure(), ENOENT);
    auto result = DurableFile::readAt((*folder)->get(), name);
    if (!DurableFile::missing(result)) return result;
    const auto current = [&] {
        std::lock_guard guard(unsyncedLock_);
        return reconcile(unsynced_);
    }();
    // The same folder, too: the record may have come back from beside it.
    if (!current) return result;
    return DurableFile::readAt((*current)->get(), name);
}

// An empty folder under a record's name goes too; one with anything in it is
// not the queue's to empty.
void ZeraZovQueueFolder::remove(const std::string& name) const {
    const auto folder = heldFolder_.get();
    if (folder && ::unlinkat((*folder)->get(), name.c_str(), 0) != 0 && errno == EISDIR) {
        ::unlinkat((*folder)->get(), name.c_str(), AT_REMOVEDIR);
    }
}

void ZeraZovQueueFolder::retire(const std::string& name) const {
    const auto folder = heldFolder_.get();
    if (folder && !spares_.keep(*folder, name)) ::unlinkat((*folder)->get(), name.c_str(), 0);
}

platform::Result<std::vector<std::string>> ZeraZovQueueFolder::namesOldestFirst() const {
    const auto current = heldFolder_.current(false);
    if (!current) return current.failure();
    const auto& folder = *current;
    bringBackFromAside(folder);
    const auto names = platform::PrivateFolder::entryNames(folder->get());
    if (!names) return names.failure();
    std::vector<Entry> entries;
    for (const auto& name : *names) {
        if (name == spareFolderName) continue;
        if (isTemporaryName(name)) {
            removeLeftOver(folder->get(), name);
            continue;
        }
        if (auto entry = recordEntry(folder->get(), name)) entries.push_back(std::move(*entry));
    }
    spares_.load(folder);
    // File times come from a coarse clock, so records written in one burst
    // share them; the names (time-ordered ids, or legacy timestamps) then keep
    // such records in the order they were written.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return std::tie(a.created, a.name) < std::tie(b.created, b.name); });
    std::vector<std::string> result;
    result.reserve(entries.size());
    for (auto& entry : entries) result.push_back(std::move(entry.name));
    return result;
}

bool ZeraZovQueueFolder::isTemporaryName(std::string_view name) {
    return name.find(DurableFile::temporaryMark) != std::string_view::npos;
}

}  // namespace zerazov
