#include "tests/support/DesktopCommands.h"

#include "tests/support/ShellCommand.h"

namespace tessivar::testing {
namespace {

std::string run(const std::string& displayName, const std::string& command) {
    using namespace std::chrono_literals;
    const auto result = runShellCommand("DISPLAY=" + shellQuoted(displayName) + " " + command + " 2>&1", 10s);
    if (result.succeeded()) return {};
    return result.output.empty() ? "failed: " + command : result.output;
}

}  // namespace

std::string pressKeys(const std::string& displayName, const std::string& keys) {
    return run(displayName, "xdotool key " + shellQuoted(keys));
}

std::string runXrandr(const std::string& displayName, const std::string& arguments) {
    return run(displayName, "xrandr " + arguments);
}

}  // namespace tessivar::testing
