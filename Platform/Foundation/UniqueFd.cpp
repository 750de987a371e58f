#include "Platform/Foundation/UniqueFd.h"

#include <unistd.h>

namespace platform {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int UniqueFd::release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset(int fd) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

bool UniqueFd::close() noexcept {
    // Linux frees the descriptor even when close fails, so it is never retried.
    const int fd = release();
    return fd >= 0 && ::close(fd) == 0;
}

}  // namespace platform
