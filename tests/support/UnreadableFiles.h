#pragma once
#include <atomic>
#include <chrono>
#include <filesystem>
#include <span>
#include <thread>

namespace tessivar::testing {

// What may sit where a program expects a small file it wrote itself, none of
// which it may block on, read whole, or be stopped by.
struct UnreadableFile {
    const char* what;
    // Puts one at `path`, which does not exist yet.
    void (*make)(const std::filesystem::path& path);
    // Why a crash log reader refuses it.
    const char* refusal;
};

// A folder with a file in it, a FIFO that no one writes, a link to /dev/zero
// and a sparse file of 4 GiB.
std::span<const UnreadableFile> unreadableFiles();

// Turns a reader that blocks on the FIFO at `path` into one that fails: once
// `patience` has passed, opens the FIFO for writing and closes it again, which
// gives a reader stuck on it the end of the file, until this is destroyed.
class StuckFifoRelease {
public:
    StuckFifoRelease(std::filesystem::path path, std::chrono::milliseconds patience);
    ~StuckFifoRelease();
    StuckFifoRelease(const StuckFifoRelease&) = delete;
    StuckFifoRelease& operator=(const StuckFifoRelease&) = delete;

private:
    std::atomic<bool> done_{false};
    std::thread worker_;
};

}  // namespace tessivar::testing
