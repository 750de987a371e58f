#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "Platform/Foundation/Failure.h"

namespace tessivar::testing {

// The program's one QApplication, on the xcb platform on a private test X
// server, living from before the first test to after the last.
namespace XcbApplication {

// Why the server or the application is missing; nothing when both run.
const platform::Failure& startError();
const std::string& displayName();

// Runs the Qt event loop, letting it sleep between events as a real one does,
// until `condition` holds or `timeout` has passed; answers whether it held.
bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace XcbApplication
}  // namespace tessivar::testing
