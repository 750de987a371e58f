#pragma once
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
    static std::error_code fill(std::span<std::uint8_t> buffer);
};

}  // namespace platform
