#pragma once
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace hotkeys {

// The same question as isSandboxed() below, asked of a given environment (a
// variable's value, or nothing when it is not set).
inline bool isSandboxed(const std::function<std::optional<std::string>(const std::string& name)>& environment) {
    return environment("APP_SANDBOX_CONTAINER_ID").has_value();
}

// Whether the process runs in an application sandbox: its environment names the
// sandbox's container ("APP_SANDBOX_CONTAINER_ID", with any value). Read once, on
// first use, and kept for the run, so the recorder's rules do not change under
// the user while the program runs.
inline bool isSandboxed() {
    static const bool sandboxed = isSandboxed([](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) return std::nullopt;
        return value;
    });
    return sandboxed;
}

}  // namespace hotkeys
