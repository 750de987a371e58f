#pragma once
#include <cstdint>
#include <span>

namespace zerazov {

// Random bytes for when the kernel's secure source fails: good enough to keep
// ids unique, not for secrets.
class FallbackRandom {
public:
    static std::uint64_t next();
    // Each byte is the lowest byte of its own draw.
    static void fill(std::span<std::uint8_t> buffer);
};

}  // namespace zerazov
