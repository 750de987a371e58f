#include "ZeraZov/Delivery/FileQueue/ZeraZovSpareFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "Platform/Foundation/UniqueFd.h"
#include "ZeraZov/Core/Storage/FileUtils.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;

bool isEmptyRegularFile(const fs::path& file) {
    struct statx info {};
    if (::statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_SIZE, &info) != 0) return false;
    return S_ISREG(info.stx_mode) && info.stx_size == 0;
}

}  // namespace

std::optional<std::string> ZeraZovSpareFiles::take() const {
    std::lock_guard guard(poolLock_);
    if (pool_.empty()) return std::nullopt;
    auto name = std::move(pool_.back());
    pool_.pop_back();
    return name;
}

bool ZeraZovSpareFiles::keep(const fs::path& file, const std::string& name) const {
    {
        std::lock_guard guard(poolLock_);
        if (pool_.size() >= mostKept) return false;
    }
    const auto spare = fileURL(name);
    // A spare of the same name still waiting (names of older layouts can come
    // back) is never replaced: the pool would hold its name twice, and two
    // records be written into one file.
    const auto moveIn = [&] { return ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, spare.c_str(), RENAME_NOREPLACE) == 0; };
    if (!moveIn()) {
        // Either the file is gone or the folder is; only the second is worth another try.
        if (errno != ENOENT || !createFolder() || !moveIn()) return false;
    }
    if (!empty(name)) {
        deleteSafely(spare);
        return true;
    }
    std::lock_guard guard(poolLock_);
    pool_.push_back(name);
    return true;
}

bool ZeraZovSpareFiles::empty(const std::string& name) const {
    // Truncated on open and closed at once. A file truncated to nothing and then
    // written is flushed by ext4 when it is next closed (its guard for files
    // replaced in place); this close is that next one, so the record later
    // written into the spare is not.
    platform::UniqueFd fd(::open(fileURL(name).c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return false;
    struct stat info {};
    return ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode) && fd.close();
}

bool ZeraZovSpareFiles::createFolder() const {
    if (::mkdir(path_.c_str(), 0700) == 0) return true;
    return errno == EEXIST;
}

void ZeraZovSpareFiles::load() const {
    std::vector<std::string> found;
    std::error_code listing;
    for (fs::directory_iterator it(path_, listing), end; !listing && it != end; it.increment(listing)) {
        if (found.size() < mostKept && isEmptyRegularFile(it->path())) {
            found.push_back(it->path().filename().string());
        } else {
            deleteSafely(it->path());
        }
    }
    std::lock_guard guard(poolLock_);
    pool_ = std::move(found);
}

}  // namespace zerazov
