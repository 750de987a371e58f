#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <system_error>

#include "Platform/Foundation/Clock.h"
#include "ZeraZov/Core/Identity/UUID.h"

namespace zerazov {

// Makes the client's version-7 ids: 48 bits of Unix milliseconds, then 74 bits of
// an 80-bit counter that is drawn at random whenever the millisecond changes and
// counts up by one within it; the version and variant bits cover the rest. Ids of
// one millisecond thus sort in the order they were made, except in the rare case
// where the count carries into the covered bits. A clock set back gives ids with the
// earlier time, which then sort before the ones made before it.
class TimeBasedEpochGenerator {
public:
    // Fills the buffer with secure random bytes; a non-zero code means it did not.
    using RandomSource = std::function<std::error_code(std::span<std::uint8_t>)>;

    // The system clock and getrandom(2).
    TimeBasedEpochGenerator();
    // The clock must outlive the generator.
    TimeBasedEpochGenerator(const platform::Clock& clock, RandomSource random);
    TimeBasedEpochGenerator(const TimeBasedEpochGenerator&) = delete;
    TimeBasedEpochGenerator& operator=(const TimeBasedEpochGenerator&) = delete;

    // The one generator of the process, made on first use and never destroyed.
    static TimeBasedEpochGenerator& shared();

    // Never fails: a clock before 1970 gives a random (version 4) id instead.
    UUID v7();

private:
    using Entropy = std::array<std::uint8_t, 10>;

    std::optional<UUID> nextBytes();
    void refillEntropy();
    void incrementEntropy();

    const platform::Clock& clock_;
    RandomSource random_;

    std::mutex lock_;  // guards lastEntropy_ and lastTimestamp_
    // Big-endian; only its output copy gets the version and variant bits.
    Entropy lastEntropy_{};
    std::uint64_t lastTimestamp_ = 0;
};

}  // namespace zerazov
