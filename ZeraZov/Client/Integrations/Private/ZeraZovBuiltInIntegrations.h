#pragma once
#include <functional>
#include <memory>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/UserDefaults.h"
#include "ZeraZov/Client/Integrations/ZeraZovIntegration.h"
#include "ZeraZov/Core/Config/ZeraZovIntegrationKind.h"
#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"

namespace zerazov {

// The integration this platform has for a kind: the lifecycle integration listens to
// the given lifecycle and keeps the versions of the given program in the settings
// that `defaults` gives (asked for only then), the screen-view one hangs on the process's screen-view
// publisher, error tracking's automatic capture owns the process's crash reporter.
// Nothing for a kind outside the enumeration.
std::shared_ptr<ZeraZovIntegration> makeBuiltInIntegration(ZeraZovIntegrationKind kind,
                                                           AppLifecyclePublishing& lifecycle,
                                                           const std::function<platform::UserDefaults&()>& defaults,
                                                           const platform::BundleInfo& program);

}  // namespace zerazov
