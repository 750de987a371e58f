#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <system_error>
#include <tuple>
#include <utility>

#include "ZeraZov/Core/Storage/FileUtils.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;

// Seconds and nanoseconds since 1970.
using FileTime = std::pair<std::int64_t, std::uint32_t>;

// When the file system keeps no birth time, the last change stands in for it:
// record files are never changed after their rename.
FileTime creationDate(const fs::path& file) {
    struct statx info {};
    if (::statx(AT_FDCWD, file.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &info) != 0) {
        return {std::numeric_limits<std::int64_t>::min(), 0};  // the distant past
    }
    const auto& stamp = (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime : info.stx_mtime;
    return {stamp.tv_sec, stamp.tv_nsec};
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
std::optional<std::string> ZeraZovQueueFolder::write(std::string_view name, std::string_view bytes) const {
    auto error = platform::DurableFile::writeNew(fileURL(name), bytes, platform::DurableFile::Sync::later);
    if (!error) awaitSync(name);
    return error;
}

std::optional<std::string> ZeraZovQueueFolder::moveIn(const fs::path& source, std::string_view name) const {
    if (::rename(source.c_str(), fileURL(name).c_str()) != 0) return std::generic_category().message(errno);
    awaitSync(name);
    return std::nullopt;
}

void ZeraZovQueueFolder::awaitSync(std::string_view name) const {
    std::lock_guard guard(unsyncedLock_);
    unsynced_.emplace_back(name);
}

std::optional<std::string> ZeraZovQueueFolder::sync() const {
    std::vector<std::string> names;
    {
        std::lock_guard guard(unsyncedLock_);
        names.swap(unsynced_);
    }
    return platform::DurableFile::syncFiles(path_, names);
}

platform::DurableFile::ReadResult ZeraZovQueueFolder::read(std::string_view name) const {
    return platform::DurableFile::read(fileURL(name));
}

void ZeraZovQueueFolder::remove(std::string_view name) const { deleteSafely(fileURL(name)); }

std::optional<std::vector<std::string>> ZeraZovQueueFolder::namesOldestFirst(std::string& error) const {
    std::vector<Entry> entries;
    std::error_code listing;
    for (fs::directory_iterator it(path_, listing), end; !listing && it != end; it.increment(listing)) {
        auto name = it->path().filename().string();
        if (isTemporaryName(name)) {
            deleteSafely(it->path());
            continue;
        }
        entries.push_back({creationDate(it->path()), std::move(name)});
    }
    if (listing) {
        error = listing.message();
        return std::nullopt;
    }
    // Birth times come from a coarse clock, so records written in one burst
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
    return name.find(platform::DurableFile::temporaryMark) != std::string_view::npos;
}

}  // namespace zerazov
