#pragma once
#include <atomic>
#include <cstdint>
#include <optional>

namespace zerazov {

// The monitor's last flags, or the mark that none were read yet, as one atomic
// word: the flushing queues, the event context and the main queue read it while the
// monitor's own queue writes it.
class ReachabilityFlagsCell {
public:
    std::optional<std::uint32_t> load() const {
        const std::uint64_t value = value_.load();
        if ((value & kKnown) == 0) return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }

    // Answers true when the flags were unknown before or differ from these.
    bool store(std::uint32_t flags) { return value_.exchange(kKnown | flags) != (kKnown | flags); }

private:
    static constexpr std::uint64_t kKnown = std::uint64_t{1} << 32;

    std::atomic<std::uint64_t> value_{0};
};

}  // namespace zerazov
