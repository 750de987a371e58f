#pragma once
#include <sys/random.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <span>
#include <system_error>

namespace platform {

// The kernel's cryptographically secure random bytes (getrandom(2)).
class SecureRandom {
public:
    // Fills the whole buffer. A failure answers the errno behind it and leaves
    // the buffer's contents unspecified; callers must not use them as random.
    static std::error_code fill(std::span<std::uint8_t> buffer) {
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
};

}  // namespace platform
