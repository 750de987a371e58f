#include "Platform/Foundation/DurableFile.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string errnoText() { return std::system_category().message(errno); }

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Answers whether closing succeeded; a failed close may mean lost writes.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool readAll(int fd, std::string& bytes) {
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes, syncs and closes; answers the first failure's text.
std::optional<std::string> fillTemporary(Descriptor& fd, std::string_view bytes) {
    if (!writeAll(fd.get(), bytes)) return errnoText();
    // Without the sync a crash soon after the rename could leave an empty file
    // where the old value was.
    if (::fsync(fd.get()) != 0) return errnoText();
    if (!fd.close()) return errnoText();
    return std::nullopt;
}

}  // namespace

DurableFile::ReadResult DurableFile::read(const std::filesystem::path& file) {
    // O_NONBLOCK keeps a pipe at the path from stalling the caller; it changes
    // nothing for a regular file.
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return {std::nullopt, errnoText()};
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return {std::nullopt, errnoText()};
    if (!S_ISREG(info.st_mode)) return {std::nullopt, "not a regular file"};
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    if (!readAll(fd.get(), bytes)) return {std::nullopt, errnoText()};
    return {std::move(bytes), {}};
}

std::optional<std::string> DurableFile::writeAtomically(const std::filesystem::path& file,
                                                               std::string_view bytes) {
    std::string temporary = file.string() + std::string(temporaryMark) + "XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) return errnoText();
    auto error = fillTemporary(fd, bytes);
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0) error = errnoText();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    syncFolder(file.has_parent_path() ? file.parent_path() : std::filesystem::path("."));
    return std::nullopt;
}

void DurableFile::syncFolder(const std::filesystem::path& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) return;
    ::fsync(fd.get());
}

}  // namespace platform
