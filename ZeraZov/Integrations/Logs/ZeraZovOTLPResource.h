#pragma once
#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Config/ZeraZovLogsConfig.h"

namespace zerazov {

// The resource attributes of every logs upload, computed once at set-up: the
// configured extra attributes, overwritten by the service, deployment, SDK and
// operating-system entries ("os.name" is "Linux").
nlohmann::json otlpResourceAttributes(const ZeraZovLogsConfig& config) noexcept;

}  // namespace zerazov
