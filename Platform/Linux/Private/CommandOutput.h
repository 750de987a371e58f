#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Runs a helper program found on PATH and reads what it prints.
struct CommandOutput {
    // Standard output of `argv` when it exits with status 0 within `timeout`;
    // nothing when it cannot start, fails, or takes longer (it is then killed),
    // so a stuck helper never holds up the caller. Standard input and error go
    // to /dev/null.
    static std::optional<std::string> run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout);
};

}  // namespace platform
