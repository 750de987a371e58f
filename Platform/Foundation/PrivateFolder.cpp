#include "Platform/Foundation/PrivateFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr mode_t privateMode = 0700;
constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

std::string errorText(const fs::path& path, int error) {
    // A link where a folder of ours should be answers ELOOP (or ENOTDIR when it
    // names no folder); both read better said plainly.
    struct stat info {};
    if ((error == ELOOP || error == ENOTDIR) && ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        return path.string() + " is a symbolic link, not a folder; left alone";
    }
    return path.string() + ": " + std::system_category().message(error);
}

Failure failure(const fs::path& path, int error) { return {errorText(path, error), error}; }

// One name below an open folder, made when missing; never through a link.
Result<UniqueFd> openOwn(int parent, const fs::path& name, const fs::path& path, bool makeMissing) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        UniqueFd fd(::openat(parent, name.c_str(), folderFlags | O_NOFOLLOW));
        if (fd.valid()) return fd;
        if (errno != ENOENT || !makeMissing) break;
        // Made by someone else meanwhile is as good.
        if (::mkdirat(parent, name.c_str(), privateMode) != 0 && errno != EEXIST) break;
    }
    return failure(path, errno);
}

}  // namespace

PrivateFolder::PrivateFolder(fs::path root, fs::path own) : root_(std::move(root)), own_(std::move(own)) {}

PrivateFolder::PrivateFolder(const fs::path& folder)
    : root_(folder.has_parent_path() ? folder.parent_path() : fs::path(".")), own_(folder.filename()) {}

Failure PrivateFolder::makeAll(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) return std::nullopt;
    if (folder.has_parent_path() && folder.parent_path() != folder) {
        if (auto failed = makeAll(folder.parent_path())) return failed;
    }
    if (::mkdir(folder.c_str(), privateMode) == 0) return std::nullopt;
    // Made by someone else meanwhile is as good; a file in its place is not.
    if (errno == EEXIST) return fs::is_directory(folder, error) ? std::nullopt : Failure(errorText(folder, ENOTDIR));
    return errorText(folder, errno);
}

Failure PrivateFolder::make() const {
    if (auto failed = makeAll(root_)) return failed;
    const auto opened = walk(true);
    if (opened) return std::nullopt;
    return opened.failure();
}

Result<UniqueFd> PrivateFolder::open() const { return walk(false); }

Result<UniqueFd> PrivateFolder::walk(bool makeMissing) const {
    UniqueFd current(::open(root_.c_str(), folderFlags));
    if (!current.valid()) return failure(root_, errno);
    auto path = root_;
    for (const auto& name : own_) {
        if (name.empty() || name == ".") continue;
        path /= name;
        // Climbing out would leave what is ours.
        if (name == "..") return failure(path, EINVAL);
        auto opened = openOwn(current.get(), name, path, makeMissing);
        if (!opened) return opened;
        current = std::move(*opened);
    }
    return current;
}

Result<std::vector<std::string>> PrivateFolder::entryNames(int folder) {
    // A description of its own: the held descriptor's position stays where it is.
    const int own = ::openat(folder, ".", folderFlags);
    if (own < 0) return Failure::ofErrorNumber(errno);
    DIR* listing = ::fdopendir(own);
    if (listing == nullptr) {
        const int failed = errno;
        ::close(own);
        return Failure::ofErrorNumber(failed);
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    const int failed = errno;
    ::closedir(listing);
    if (failed != 0) return Failure::ofErrorNumber(failed);
    return names;
}

}  // namespace platform
