#include "Platform/Linux/SingleInstanceLock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>

#include "Platform/Foundation/PrivateFolder.h"

namespace platform {

SingleInstanceLock::SingleInstanceLock(State state, UniqueFd fd, std::string failure)
    : state_(state), fd_(std::move(fd)), failure_(std::move(failure)) {}

SingleInstanceLock SingleInstanceLock::acquire(const std::filesystem::path& file) {
    // Missing only where the session gave no runtime folder and the cache one stands in.
    if (auto failed = PrivateFolder::makeAll(file.parent_path())) return {State::unavailable, {}, *failed};
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) return {State::unavailable, {}, file.string() + ": " + std::strerror(errno)};
    int result = 0;
    do {
        result = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return {State::held, std::move(fd), {}};
    if (errno == EWOULDBLOCK) return {State::heldElsewhere, {}, {}};
    return {State::unavailable, {}, file.string() + ": " + std::strerror(errno)};
}

}  // namespace platform
