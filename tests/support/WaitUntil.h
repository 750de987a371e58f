#pragma once
#include <chrono>
#include <functional>
#include <thread>

namespace tessivar::testing {

// Polls `condition` every `interval` until it holds or `timeout` has passed;
// answers whether it held. For state another thread or process (an X server, a
// child, a worker) changes on its own time. Header only, so that every test
// program can use it without the X server helpers.
inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                      std::chrono::milliseconds interval = std::chrono::milliseconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

}  // namespace tessivar::testing
