#pragma once
#include <string_view>

namespace tessivar {

// Writes one of the application's own log lines, "[Tessivar] " + message.
void appLog(std::string_view message);

}  // namespace tessivar
