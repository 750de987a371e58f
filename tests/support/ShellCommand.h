#pragma once
#include <chrono>
#include <optional>
#include <string>

namespace tessivar::testing {

struct ShellCommandResult {
    std::optional<int> exitCode;  // absent when the command timed out or died of a signal
    bool timedOut = false;
    std::string output;  // stdout and stderr as they came

    bool succeeded() const { return exitCode == 0; }
};

// Runs `command` with /bin/sh and ends it (with everything it started) once
// `timeout` has passed.
ShellCommandResult runShellCommand(const std::string& command, std::chrono::milliseconds timeout);

// The command name of the process while it runs; nothing once it has ended,
// also while it waits to be reaped.
std::optional<std::string> liveProcessName(int pid);

// `text` as one single-quoted shell word.
std::string shellQuoted(const std::string& text);

}  // namespace tessivar::testing
