#pragma once
#include <string>

// The reporter's folders. The reports hold the user's identity and what the
// program was doing, so the reporter's own folders are the user's alone
// (0700 whatever the umask, a folder that was there made so too) and never a
// link it follows: a crash log written, or a report purged, through one would
// land where the reporter does not keep them. The folders above them (the
// user's cache folder, a configured base path) are the user's: followed when
// links, and made 0700 only when missing.
class ZZCrashPrivateFolder {
public:
    // `path` and the folders above it that are missing, each made 0700.
    // False, with errno, when one cannot be made.
    [[nodiscard]] static bool makeMissing(const std::string& path);
    // `name` in the open folder `parent`, made when missing, opened without
    // following a link and set to 0700. Invalid, with errno (ELOOP for a link,
    // ENOTDIR for a file), when it cannot be.
    static ZZCrashPrivateFolder openOwn(int parent, const char* name);
    // The folder at `path`, followed when it is a link.
    static ZZCrashPrivateFolder open(const std::string& path);

    ~ZZCrashPrivateFolder();
    ZZCrashPrivateFolder(ZZCrashPrivateFolder&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    ZZCrashPrivateFolder& operator=(ZZCrashPrivateFolder&&) = delete;
    ZZCrashPrivateFolder(const ZZCrashPrivateFolder&) = delete;
    ZZCrashPrivateFolder& operator=(const ZZCrashPrivateFolder&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }

private:
    explicit ZZCrashPrivateFolder(int fd) : fd_(fd) {}

    int fd_;
};
