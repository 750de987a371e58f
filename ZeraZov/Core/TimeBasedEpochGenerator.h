#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <system_error>

#include "Platform/Foundation/Clock.h"
#include "ZeraZov/Core/UUID.h"

namespace zerazov {

// Makes the client's version-7 ids: 48 bits of Unix milliseconds, then a 74-bit
// counter that starts at a random value in each new millisecond and counts up
// within it, so ids from one generator always sort in the order they were made.
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
    bool incrementEntropy();

    const platform::Clock& clock_;
    RandomSource random_;

    std::mutex lock_;  // guards lastEntropy_ and lastTimestamp_
    Entropy lastEntropy_{};
    std::uint64_t lastTimestamp_ = 0;
};

}  // namespace zerazov
