#include "Platform/Foundation/DurableFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/Foundation/UniqueFd.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// As many links as the kernel itself follows before it answers ELOOP.
constexpr int kMaxLinkHops = 40;

std::string tooLarge(std::size_t limit) { return "larger than " + std::to_string(limit) + " bytes"; }

// Reads to the end, or answers the error's text; one byte past `limit` is enough
// to know the file is too large.
Failure readAll(int fd, std::size_t limit, std::string& bytes) {
    char buffer[16384];
    for (;;) {
        const std::size_t room = limit - bytes.size() + 1;
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, room));
        if (n == 0) return std::nullopt;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return DurableFile::errnoText();
        if (static_cast<std::size_t>(n) == room) return tooLarge(limit);
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

// The permission bits of the regular file about to be replaced, if there is one:
// a file the user made readable to a group, or read-only, stays that way. The
// set-id and sticky bits are left behind; they mean nothing on a data file.
std::optional<mode_t> replacedPermissions(const fs::path& target) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return info.st_mode & 0777;
}

// The same for a file of an open folder; a link there is no file of its own.
std::optional<mode_t> ownPermissions(int folder, const std::string& name) {
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return info.st_mode & 0777;
}

// A fresh private file "<name>.tmp-<process>-<count>" beside the final name,
// made there and nowhere else (never through a link); a name a process of the
// same number left behind is passed over.
UniqueFd ownTemporary(int folder, const std::string& name, std::string& temporary) {
    static std::atomic<unsigned> count{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = name + std::string(DurableFile::temporaryMark) + std::to_string(::getpid()) + "-" +
                    std::to_string(count.fetch_add(1, std::memory_order_relaxed));
        UniqueFd fd(::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.valid() || errno != EEXIST) return fd;
    }
    return UniqueFd();
}

// Sets the mode, writes, syncs and closes; answers the first failure's text.
Failure fillTemporary(UniqueFd& fd, std::optional<mode_t> mode, std::string_view bytes) {
    if (mode && ::fchmod(fd.get(), *mode) != 0) return DurableFile::errnoText();
    if (auto failed = DurableFile::writeAll(fd.get(), bytes)) return failed;
    // Without the sync a power cut soon after the rename could leave an empty
    // file where the old value was.
    if (::fsync(fd.get()) != 0) return DurableFile::errnoText();
    if (!fd.close()) return DurableFile::errnoText();
    return std::nullopt;
}

// The temporary file sits beside the target so that the rename stays on one
// file system, and it is the target's folder that must be synced.
Failure replace(const fs::path& target, std::string_view bytes, std::optional<mode_t> mode) {
    std::string temporary = target.string() + std::string(DurableFile::temporaryMark) + "XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) return DurableFile::errnoText();
    auto error = fillTemporary(fd, mode, bytes);
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = DurableFile::errnoText();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    DurableFile::syncFolder(folderOf(target));
    return std::nullopt;
}

}  // namespace

std::string DurableFile::errnoText() { return std::system_category().message(errno); }

Failure DurableFile::writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failure::ofErrorNumber(errno);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return std::nullopt;
}

Result<std::string> DurableFile::read(const std::filesystem::path& file, std::size_t limit) {
    // O_NONBLOCK keeps a pipe at the path from stalling the caller; it changes
    // nothing for a regular file.
    return readOpened(UniqueFd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)), limit);
}

Result<std::string> DurableFile::readAt(int folder, const std::string& name, std::size_t limit) {
    return readOpened(UniqueFd(::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW)), limit);
}

// Only a failure to open carries its error number: that is where a missing
// file shows.
Result<std::string> DurableFile::readOpened(UniqueFd fd, std::size_t limit) {
    if (!fd.valid()) return Failure::ofErrorNumber(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return Failure(errnoText());
    if (!S_ISREG(info.st_mode)) return Failure("not a regular file");
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > limit) return Failure(tooLarge(limit));
    std::string bytes;
    bytes.reserve(size);
    if (auto error = readAll(fd.get(), limit, bytes)) return error;
    return bytes;
}

// A file where a folder of the path should be leaves nothing at the path either.
bool DurableFile::missing(const Result<std::string>& read) {
    const int errorNumber = read.failure().errorNumber();
    return errorNumber == ENOENT || errorNumber == ENOTDIR;
}

Failure DurableFile::writeAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const auto target = resolveLinks(file);
    if (!target) return target.failure();
    return replace(*target, bytes, replacedPermissions(*target));
}

Failure DurableFile::writeOwn(const std::filesystem::path& file, std::string_view bytes) {
    const UniqueFd folder(::open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return errnoText();
    return writeOwnAt(folder.get(), file.filename().string(), bytes);
}

Failure DurableFile::writeOwnAt(int folder, const std::string& name, std::string_view bytes) {
    std::string temporary;
    UniqueFd fd = ownTemporary(folder, name, temporary);
    if (!fd.valid()) return errnoText();
    auto error = fillTemporary(fd, ownPermissions(folder, name), bytes);
    if (!error && ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) error = errnoText();
    if (error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return error;
    }
    ::fsync(folder);
    return std::nullopt;
}

Failure DurableFile::writeNew(const std::filesystem::path& file, std::string_view bytes) {
    return replace(file, bytes, std::nullopt);
}

Result<std::filesystem::path> DurableFile::resolveLinks(const std::filesystem::path& file) {
    fs::path current = file;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        std::error_code error;
        const auto status = fs::symlink_status(current, error);
        if (status.type() == fs::file_type::not_found) return current;
        if (error) return Failure(error.message());
        if (status.type() != fs::file_type::symlink) return current;
        const fs::path named = fs::read_symlink(current, error);
        if (error) return Failure(error.message());
        // An absolute name replaces the folder; a relative one starts from the link's own folder.
        current = current.parent_path() / named;
    }
    return Failure::ofErrorNumber(ELOOP);
}

void DurableFile::syncFolder(const std::filesystem::path& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return;
    ::fsync(fd.get());
}

}  // namespace platform
