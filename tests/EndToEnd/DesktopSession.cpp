#include "tests/EndToEnd/DesktopSession.h"

using namespace std::chrono_literals;

namespace tessivar::testing {

std::unique_ptr<ChildProcess> DesktopSession::start(const std::vector<std::string>& argv) const {
    return std::make_unique<ChildProcess>(argv, ChildProcess::Options{.environment = {"DISPLAY=" + display_}});
}

ShellCommandResult DesktopSession::xdotool(const std::string& arguments) const {
    return runShellCommand("DISPLAY=" + shellQuoted(display_) + " xdotool " + arguments, 10s);
}

}  // namespace tessivar::testing
