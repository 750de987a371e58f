#pragma once
#include <optional>
#include <string>

#include "Platform/Foundation/Failure.h"

namespace platform::X11DisplayCheck {

// Why this process cannot reach an X server, in words for the user, or
// nothing when it can: DISPLAY unset (a pure Wayland session, or no desktop at
// all) or a server that does not answer. Checked before the toolkit starts,
// which would otherwise end the process with an abort of its own.
Failure whyUnavailable();

}  // namespace platform::X11DisplayCheck
