#include "Tessivar/AppLog.h"

#include "Platform/Foundation/Log.h"

namespace tessivar {

namespace {
constexpr std::string_view kFormat = "[Tessivar] %@";
}  // namespace

void appLog(std::string_view message) { platform::Log::write(kFormat, message); }

void appLog(const std::vector<std::string>& messages) { platform::Log::writeAll(kFormat, messages); }

}  // namespace tessivar
