#include "Tessivar/AppLog.h"

#include "Platform/Foundation/Log.h"

namespace tessivar {

void appLog(std::string_view message) { platform::Log::write("[Tessivar] %@", message); }

}  // namespace tessivar
