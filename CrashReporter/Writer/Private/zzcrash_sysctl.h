#pragma once
#include <optional>
#include <string>

// Kernel parameters by their sysctl name ("kernel.osrelease"), read from
// /proc/sys. Not for the crash path: facts are read when the reporter is
// enabled and kept.

// The value without its trailing line break; nothing, with errno kept as the
// failing call left it, when it cannot be read.
std::optional<std::string> zzcrash_sysctl_string(const std::string& name);
// The value as an int; false when it cannot be read or is not one number.
bool zzcrash_sysctl_int(const std::string& name, int* out);
