#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"

#include "Platform/Foundation/SecureRandom.h"
#include "ZeraZov/Core/Identity/Private/FallbackRandom.h"

namespace zerazov {
namespace {

std::optional<std::uint64_t> millisecondsSince1970(platform::Clock::WallTime time) {
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    if (milliseconds < 0) return std::nullopt;
    return static_cast<std::uint64_t>(milliseconds);
}

}  // namespace

TimeBasedEpochGenerator::TimeBasedEpochGenerator()
    : TimeBasedEpochGenerator(platform::SystemClock::shared(), &platform::SecureRandom::fill) {}

TimeBasedEpochGenerator::TimeBasedEpochGenerator(const platform::Clock& clock, RandomSource random)
    : clock_(clock), random_(std::move(random)) {}

TimeBasedEpochGenerator& TimeBasedEpochGenerator::shared() {
    // Never destroyed: ids may still be asked for while other statics go away at exit.
    static auto* generator = new TimeBasedEpochGenerator();
    return *generator;
}

UUID TimeBasedEpochGenerator::v7() {
    std::optional<UUID> id;
    {
        std::lock_guard guard(lock_);
        id = nextBytes();
    }
    return id ? *id : UUID::random();
}

std::optional<UUID> TimeBasedEpochGenerator::nextBytes() {
    const auto now = millisecondsSince1970(clock_.now());
    if (!now) return std::nullopt;

    if (*now == lastTimestamp_) {
        incrementEntropy();
    } else {
        lastTimestamp_ = *now;
        refillEntropy();
    }

    UUID::Bytes bytes{};
    for (std::size_t i = 0; i < 6; ++i) bytes[i] = static_cast<std::uint8_t>(lastTimestamp_ >> (8 * (5 - i)));
    for (std::size_t i = 0; i < lastEntropy_.size(); ++i) bytes[6 + i] = lastEntropy_[i];
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x70);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return UUID(bytes);
}

void TimeBasedEpochGenerator::refillEntropy() {
    if (random_(lastEntropy_)) FallbackRandom::fill(lastEntropy_);
}

// Adds one to the 80-bit count; all ones wrap to all zeros on the same timestamp.
void TimeBasedEpochGenerator::incrementEntropy() {
    for (std::size_t i = lastEntropy_.size(); i-- > 0;) {
        if (++lastEntropy_[i] != 0) return;
    }
}

}  // namespace zerazov
