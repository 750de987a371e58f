#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "ZeraZov/Core/Config/ZeraZovErrorTrackingConfig.h"

namespace zerazov {

// Whether a frame in the module (the file name of its image) belongs to the
// application, the first rule that matches deciding: an include prefix, an exclude
// prefix, a system module prefix, an image path among the system's libraries (its
// links resolved first), and otherwise the configuration's default. Prefixes are
// compared case-sensitively. Handled exceptions and crash reports alike.
bool isInApp(const std::optional<std::string>& imagePath, std::string_view module,
             const ZeraZovErrorTrackingConfig& config);

// A path under one of the folders the dynamic loader searches (/lib, /lib64,
// /usr/lib, /usr/lib64 and the multiarch folders inside them) or under /System/,
// a path with /System/Library/ or /usr/lib/ in it, or the vDSO ("linux-vdso.so.1").
bool isSystemImagePath(const std::optional<std::string>& imagePath);

}  // namespace zerazov
