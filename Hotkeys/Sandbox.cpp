#include "Hotkeys/Sandbox.h"

#include <cstdlib>

namespace hotkeys {

bool isSandboxed(const std::function<std::optional<std::string>(const std::string& name)>& environment) {
    return environment("APP_SANDBOX_CONTAINER_ID").has_value();
}

bool isSandboxed() {
    static const bool sandboxed = isSandboxed([](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr) return std::nullopt;
        return value;
    });
    return sandboxed;
}

}  // namespace hotkeys
