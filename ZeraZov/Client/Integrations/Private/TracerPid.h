#pragma once
#include <optional>
#include <string_view>

namespace zerazov {

// The process that traces this one (a debugger), from the "TracerPid:" line of
// a /proc/<pid>/status text: 0 when none does; nothing without a readable line.
std::optional<long> tracerPid(std::string_view status);

}  // namespace zerazov
