#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace tessivar {

// Writes one of the application's own log lines, "[Tessivar] " + message.
void appLog(std::string_view message);
// Each message as such a line, all of them written at once.
void appLog(const std::vector<std::string>& messages);

}  // namespace tessivar
