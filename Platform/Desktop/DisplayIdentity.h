#pragma once
#include <string_view>

#include "Platform/Desktop/Screen.h"

namespace platform {

// A display id stable per connector name ("DP-1", "HDMI-A-0"): FNV-1a over the
// name, never zero.
DisplayID displayIDForConnector(std::string_view connector);

}  // namespace platform
