#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "ZeraZov/Core/ZeraZovErrorTrackingConfig.h"

namespace zerazov {

// Whether a frame in the module (the file name of its image) belongs to the
// application, the first rule that matches deciding: an include prefix, an exclude
// prefix, a system module prefix, an image path among the system's libraries (its
// links resolved first: a loader may name libc under /lib, which is /usr/lib), and
// otherwise the configuration's default. Prefixes are compared case-sensitively.
bool isInApp(const std::optional<std::string>& imagePath, std::string_view module,
             const ZeraZovErrorTrackingConfig& config);

// The same without the image path, as a crash report's frames are decided.
bool isInAppModule(std::string_view module, const ZeraZovErrorTrackingConfig& config);

// A path under /System/ or /usr/lib/, or with /System/Library/ or /usr/lib/ in it.
bool isSystemImagePath(const std::optional<std::string>& imagePath);

}  // namespace zerazov
