#include "Platform/Foundation/SecureRandom.h"

#include <sys/random.h>

#include <cerrno>

namespace platform {

std::error_code SecureRandom::fill(std::span<std::uint8_t> buffer) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        // Large requests may come back short, and a signal may interrupt the wait
        // for the pool at early boot; both just mean "ask again for the rest".
        const ssize_t got = getrandom(buffer.data() + filled, buffer.size() - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return {errno, std::generic_category()};
        }
        filled += static_cast<std::size_t>(got);
    }
    return {};
}

}  // namespace platform
