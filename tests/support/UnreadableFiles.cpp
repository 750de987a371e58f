#include "tests/support/UnreadableFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>

namespace tessivar::testing {
namespace {

void check(bool succeeded, const std::filesystem::path& path) {
    if (!succeeded) throw std::runtime_error("cannot make " + path.string());
}

void makeFolder(const std::filesystem::path& path) {
    std::filesystem::create_directories(path);
    std::ofstream(path / "inside") << "x";
}

void makeFifo(const std::filesystem::path& path) { check(mkfifo(path.c_str(), 0600) == 0, path); }

void makeZeroLink(const std::filesystem::path& path) { std::filesystem::create_symlink("/dev/zero", path); }

void makeSparseFile(const std::filesystem::path& path) {
    std::ofstream(path).close();
    std::filesystem::resize_file(path, std::uintmax_t{4} << 30);
}

constexpr UnreadableFile kinds[] = {
    {"a folder", makeFolder, "not a regular file"},
    {"a FIFO", makeFifo, "not a regular file"},
    {"a link to /dev/zero", makeZeroLink, "not a regular file"},
    {"a sparse 4 GiB file", makeSparseFile, "larger than 8388608 bytes"},
};

}  // namespace

std::span<const UnreadableFile> unreadableFiles() { return kinds; }

StuckFifoRelease::StuckFifoRelease(std::filesystem::path path, std::chrono::milliseconds patience)
    : worker_([this, path = std::move(path), patience] {
          const auto deadline = std::chrono::steady_clock::now() + patience;
          while (!done_.load()) {
              std::this_thread::sleep_for(std::chrono::milliseconds(20));
              if (std::chrono::steady_clock::now() < deadline) continue;
              // Non-blocking: with no reader there, the open fails and is tried again.
              const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
              if (fd >= 0) close(fd);
          }
      }) {}

StuckFifoRelease::~StuckFifoRelease() {
    done_.store(true);
    worker_.join();
}

}  // namespace tessivar::testing
