#pragma once
#include <memory>

#include "ZeraZov/Client/ZeraZovIntegration.h"
#include "ZeraZov/Core/AppLifecyclePublishing.h"
#include "ZeraZov/Core/ZeraZovIntegrationKind.h"

namespace zerazov {

// The integration this platform has for a kind, over the process-wide state: the
// lifecycle integration listens to the given lifecycle and keeps its versions in
// the standard user defaults, the screen-view one hangs on the process's screen-view
// publisher, error tracking's automatic capture owns the process's crash reporter.
// Nothing for a kind outside the enumeration.
std::shared_ptr<ZeraZovIntegration> makeBuiltInIntegration(ZeraZovIntegrationKind kind,
                                                           AppLifecyclePublishing& lifecycle);

}  // namespace zerazov
