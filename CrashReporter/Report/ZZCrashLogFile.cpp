#include "CrashReporter/Report/ZZCrashLogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Closes the descriptor once, whatever way the read ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void fail(ZZCrashReporterError* error, const std::string& path, const std::string& reason, int posixError) {
    if (error) *error = zzcrash_make_posix_error(path + ": " + reason, posixError);
}

void failWithErrno(ZZCrashReporterError* error, const std::string& path) {
    const int posixError = errno;
    fail(error, path, std::strerror(posixError), posixError);
}

// Up to `limit` + 1 bytes: one byte past the limit tells a file that grew
// after it was measured.
bool readAll(int fd, std::uint64_t limit, std::vector<std::uint8_t>& bytes) {
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) bytes.resize(std::min<std::uint64_t>(limit + 1, bytes.size() * 2 + 4096));
        const ssize_t count = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        filled += static_cast<std::size_t>(count);
        if (count == 0 || filled > limit) break;
    }
    bytes.resize(filled);
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ZZCrashLogFile::read(const std::string& path, ZZCrashReporterError* error,
                                                              std::uint64_t limit) {
    // Non-blocking, so that opening a FIFO does not wait for a writer that never comes.
    const Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        failWithErrno(error, path);
        return std::nullopt;
    }
    struct stat status {};
    if (fstat(file.get(), &status) != 0) {
        failWithErrno(error, path);
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        fail(error, path, "not a regular file", S_ISDIR(status.st_mode) ? EISDIR : EINVAL);
        return std::nullopt;
    }
    const std::string tooLarge = "larger than " + std::to_string(limit) + " bytes";
    if (static_cast<std::uint64_t>(status.st_size) > limit) {
        fail(error, path, tooLarge, EFBIG);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.reserve(static_cast<std::size_t>(status.st_size));
        if (!readAll(file.get(), limit, bytes)) {
            failWithErrno(error, path);
            return std::nullopt;
        }
    } catch (const std::bad_alloc&) {
        fail(error, path, std::strerror(ENOMEM), ENOMEM);
        return std::nullopt;
    }
    if (bytes.size() > limit) {
        fail(error, path, tooLarge, EFBIG);
        return std::nullopt;
    }
    return bytes;
}
