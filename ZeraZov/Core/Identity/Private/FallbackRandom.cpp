#include "ZeraZov/Core/Identity/Private/FallbackRandom.h"

#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace zerazov {
namespace {

// Reached only when getrandom(2) failed, so std::random_device (which may use
// the same source) can fail too; the clock and the thread then seed instead.
std::uint64_t seed() {
    try {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        return now ^ std::hash<std::thread::id>{}(std::this_thread::get_id());
    }
}

std::mt19937_64& engine() {
    // One engine per thread: no lock, and two threads never draw the same sequence.
    thread_local std::mt19937_64 generator(seed());
    return generator;
}

}  // namespace

std::uint64_t FallbackRandom::next() { return engine()(); }

void FallbackRandom::fill(std::span<std::uint8_t> buffer) {
    for (auto& byte : buffer) byte = static_cast<std::uint8_t>(next() & 0xFF);
}

}  // namespace zerazov
