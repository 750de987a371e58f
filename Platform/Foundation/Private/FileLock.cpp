#include "Platform/Foundation/Private/FileLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "Platform/Foundation/DurableFile.h"

namespace platform {
namespace {

// A link in the lock file's place answers ELOOP, which reads better said plainly.
std::string openError(int folder, const std::string& name, const std::filesystem::path& path) {
    const std::string why = DurableFile::errnoText();
    struct stat info {};
    if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
        return path.string() + " is a symbolic link, not a lock file; left alone";
    }
    return path.string() + ": " + why;
}

}  // namespace

FileLock::FileLock(const PrivateFolder& folder, const std::string& name) {
    const auto opened = folder.open();
    if (!opened) {
        error_ = *opened.failure();
        return;
    }
    fd_.reset(::openat(opened->get(), name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd_.valid()) {
        error_ = openError(opened->get(), name, folder.path() / name);
        return;
    }
    int result = 0;
    do {
        result = ::flock(fd_.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return;
    error_ = (folder.path() / name).string() + ": " + DurableFile::errnoText();
    fd_.reset();
}

}  // namespace platform
