#include "CrashReporter/Report/Private/ZZCrashTextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace zzcrash {

std::optional<std::string> readTextFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            const int readErrno = errno;
            close(fd);
            errno = readErrno;
            if (count < 0) return std::nullopt;
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace zzcrash
