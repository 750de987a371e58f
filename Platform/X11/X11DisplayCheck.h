#pragma once
#include <optional>
#include <string>

namespace platform::X11DisplayCheck {

// Why this process cannot reach an X server, in words for the user, or
// nothing when it can: DISPLAY unset (a pure Wayland session, or no desktop at
// all) or a server that does not answer. Checked before the toolkit starts,
// which would otherwise end the process with an abort of its own.
std::optional<std::string> whyUnavailable();

}  // namespace platform::X11DisplayCheck
