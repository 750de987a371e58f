#include "ZeraZov/Delivery/FileQueue/ZeraZovSpareFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "Platform/Foundation/PrivateFolder.h"
#include "Platform/Foundation/UniqueFd.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FileQueue/Private/ZeraZovFillingFile.h"

namespace zerazov {
namespace {

struct EntryKind {
    bool emptyFile = false;
    bool folder = false;
};

constexpr mode_t recordMode = 0600;

EntryKind kindOf(int spareFolder, const std::string& name) {
    struct statx info {};
    if (::statx(spareFolder, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_SIZE, &info) != 0) return {};
    return {S_ISREG(info.stx_mode) && info.stx_size == 0, S_ISDIR(info.stx_mode)};
}

}  // namespace

ZeraZovSpareFiles::Descriptor ZeraZovSpareFiles::claim(const Descriptor& folder, const std::string& name) const {
    std::lock_guard guard(poolLock_);
    if (owner_ != folder || !spareFolder_) return nullptr;
    while (!pool_.empty()) {
        const auto spare = std::move(pool_.back());
        pool_.pop_back();
        // The rename is the claim: of two writers holding the same spare's name,
        // one moves it and the other finds nothing there.
        if (::renameat(spareFolder_->get(), spare.c_str(), spareFolder_->get(), claimedName(name).c_str()) == 0) {
            return spareFolder_;
        }
    }
    return nullptr;
}

bool ZeraZovSpareFiles::keep(const Descriptor& folder, const std::string& name) const {
    Descriptor spares;
    {
        std::lock_guard guard(poolLock_);
        if (pool_.size() >= mostKept) return false;
        spares = spareFolderOf(folder, true);
    }
    if (!spares) return false;
    // A spare of the same name still waiting (names of older layouts can come
    // back) is never replaced: the pool would hold its name twice.
    if (::renameat2(folder->get(), name.c_str(), spares->get(), name.c_str(), RENAME_NOREPLACE) != 0) return false;
    if (!empty(spares->get(), name)) {
        ::unlinkat(spares->get(), name.c_str(), 0);
        return true;
    }
    std::lock_guard guard(poolLock_);
    if (owner_ == folder) pool_.push_back(name);
    return true;
}

bool ZeraZovSpareFiles::fitForRecord(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 || info.st_uid != ::geteuid()) {
        return false;
    }
    return (info.st_mode & 07777) == recordMode || ::fchmod(fd, recordMode) == 0;
}

bool ZeraZovSpareFiles::empty(int spareFolder, const std::string& name) {
    // Looked at before it is cut: a file with another name is not emptied. A
    // file truncated to nothing and then written is flushed by ext4 when it is
    // next closed (its guard for files replaced in place); the close here is that
    // next one, so the record later written into the spare is not.
    platform::UniqueFd fd(::openat(spareFolder, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid() || !fitForRecord(fd.get())) return false;
    return ::ftruncate(fd.get(), 0) == 0 && fd.close();
}

ZeraZovSpareFiles::Descriptor ZeraZovSpareFiles::spareFolderOf(const Descriptor& folder, bool make) const {
    if (owner_ != folder) {
        owner_ = folder;
        spareFolder_.reset();
        refused_ = false;
        pool_.clear();
    }
    if (spareFolder_ || refused_ || !folder) return spareFolder_;
    const auto name = path_.filename();
    for (int attempt = 0; attempt < 2; ++attempt) {
        platform::UniqueFd fd(::openat(folder->get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.valid()) {
            spareFolder_ = std::make_shared<const platform::UniqueFd>(std::move(fd));
            return spareFolder_;
        }
        if (errno == ELOOP || errno == ENOTDIR) {
            refused_ = true;
            ZeraZovDebugLog::write("The spare files' folder " + path_.string() +
                                   " is a symbolic link or no folder; left alone, the queue goes without spares");
            return nullptr;
        }
        if (errno != ENOENT || !make) return nullptr;
        if (::mkdirat(folder->get(), name.c_str(), 0700) != 0 && errno != EEXIST) return nullptr;
    }
    return nullptr;
}

void ZeraZovSpareFiles::removeAll(int folder) {
    const std::string name(folderName);
    const platform::UniqueFd spares(::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!spares.valid()) return;
    for (const auto& spare : platform::PrivateFolder::entryNames(spares.get()).valueOr({})) {
        if (!spare.ends_with(claimedMark) && kindOf(spares.get(), spare).emptyFile) {
            ::unlinkat(spares.get(), spare.c_str(), 0);
        }
    }
    ::unlinkat(folder, name.c_str(), AT_REMOVEDIR);
}

void ZeraZovSpareFiles::load(const Descriptor& folder) const {
    Descriptor spares;
    {
        std::lock_guard guard(poolLock_);
        owner_.reset();
        spares = spareFolderOf(folder, false);
    }
    if (!spares) return;
    std::vector<std::string> found;
    for (const auto& name : platform::PrivateFolder::entryNames(spares->get()).valueOr({})) {
        const auto kind = kindOf(spares->get(), name);
        if (kind.folder) continue;
        if (name.ends_with(claimedMark)) {
            // Empty, its writer may not have begun (its bytes would move the
            // time on); never taken in, which would let two writers share it.
            if (!kind.emptyFile && !mayStillBeFilled(spares->get(), name)) ::unlinkat(spares->get(), name.c_str(), 0);
            continue;
        }
        if (kind.emptyFile && found.size() < mostKept) {
            found.push_back(name);
        } else {
            ::unlinkat(spares->get(), name.c_str(), 0);
        }
    }
    std::lock_guard guard(poolLock_);
    if (owner_ == folder) pool_ = std::move(found);
}

}  // namespace zerazov
