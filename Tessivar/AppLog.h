#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Foundation/Log.h"

namespace tessivar {

// Writes one of the application's own log lines, "[Tessivar] " + message.
inline void appLog(std::string_view message) { platform::Log::write("[Tessivar] %@", message); }
// Each message as such a line, all of them written at once.
inline void appLog(const std::vector<std::string>& messages) { platform::Log::writeAll("[Tessivar] %@", messages); }

}  // namespace tessivar
