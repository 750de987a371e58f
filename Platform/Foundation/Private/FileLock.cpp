#include "Platform/Foundation/Private/FileLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>

namespace platform {

FileLock::FileLock(const std::filesystem::path& lockFile)
    : fd_(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (!fd_.valid()) return;
    int result = 0;
    do {
        result = ::flock(fd_.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) fd_.reset();
}

}  // namespace platform
