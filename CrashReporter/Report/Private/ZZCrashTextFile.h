#pragma once
#include <optional>
#include <string>

namespace zzcrash {

// The whole content of a small text file (a /proc or /proc/sys entry, whose
// size the kernel does not tell in advance); nothing, with errno as the
// failing call left it, when it cannot be read.
std::optional<std::string> readTextFile(const std::string& path);

}  // namespace zzcrash
