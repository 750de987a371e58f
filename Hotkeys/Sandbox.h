#pragma once
#include <functional>
#include <optional>
#include <string>

namespace hotkeys {

// Whether the process runs in an application sandbox: its environment names the
// sandbox's container ("APP_SANDBOX_CONTAINER_ID", with any value). Read once, on
// first use, and kept for the run, so the recorder's rules do not change under
// the user while the program runs.
bool isSandboxed();

// The same question asked of a given environment (a variable's value, or nothing
// when it is not set).
bool isSandboxed(const std::function<std::optional<std::string>(const std::string& name)>& environment);

}  // namespace hotkeys
