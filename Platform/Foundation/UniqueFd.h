#pragma once

namespace platform {

// A file descriptor with one owner, closed when the owner lets go of it: on every
// way out of a scope, and never twice.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }

    // Hands the descriptor over to the caller, who closes it.
    int release() noexcept;
    // Closes the descriptor held, if any, and holds `fd` instead.
    void reset(int fd = -1) noexcept;
    // Closes now and answers whether that worked: after writes, a failed close
    // may be the only sign that they did not reach the file.
    [[nodiscard]] bool close() noexcept;

private:
    int fd_ = -1;
};

}  // namespace platform
