#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/ShellCommand.h"

namespace tessivar::testing {

// The other programs of a desktop session on a test X server: panels,
// compositors, and a person's keyboard and mouse (xdotool).
class DesktopSession {
public:
    explicit DesktopSession(std::string displayName) : display_(std::move(displayName)) {}

    // Starts a program on the display; it ends with the returned object.
    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv) const;
    // Runs `xdotool <arguments>` on the display and waits for it.
    ShellCommandResult xdotool(const std::string& arguments) const;

private:
    std::string display_;
};

}  // namespace tessivar::testing
