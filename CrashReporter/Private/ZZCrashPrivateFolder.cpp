#include "CrashReporter/Private/ZZCrashPrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr mode_t privateMode = 0700;
constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// `name` in `parent` opened without following a link, and set to 0700:
// mkdir takes the umask off the mode it is given (under 0277 a folder made
// 0700 comes out 0500, and nothing can be made in it), and a folder that
// an older version made 0755 is the user's alone from now on.
int openPrivate(int parent, const char* name) {
    const int fd = openat(parent, name, folderFlags | O_NOFOLLOW);
    if (fd < 0 || fchmod(fd, privateMode) == 0) return fd;
    const int failure = errno;
    close(fd);
    errno = failure;
    return -1;
}

}  // namespace

bool ZZCrashPrivateFolder::makeMissing(const std::string& path) {
    std::size_t end = 0;
    do {
        end = path.find('/', end + 1);
        const std::string folder = path.substr(0, end);
        struct stat info {};
        if (stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
        if (mkdir(folder.c_str(), privateMode) != 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        const ZZCrashPrivateFolder made(openPrivate(AT_FDCWD, folder.c_str()));
        if (!made.valid()) return false;
    } while (end != std::string::npos);
    return true;
}

ZZCrashPrivateFolder ZZCrashPrivateFolder::openOwn(int parent, const char* name) {
    // Made by someone else meanwhile is as good.
    if (mkdirat(parent, name, privateMode) != 0 && errno != EEXIST) return ZZCrashPrivateFolder(-1);
    return ZZCrashPrivateFolder(openPrivate(parent, name));
}

ZZCrashPrivateFolder ZZCrashPrivateFolder::open(const std::string& path) {
    return ZZCrashPrivateFolder(::open(path.c_str(), folderFlags));
}

ZZCrashPrivateFolder::~ZZCrashPrivateFolder() {
    if (fd_ >= 0) close(fd_);
}
