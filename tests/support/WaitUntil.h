#pragma once
#include <chrono>
#include <functional>

namespace tessivar::testing {

// Polls `condition` until it holds or `timeout` has passed; answers whether it
// held. For state another process (an X server, a child) changes on its own time.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace tessivar::testing
