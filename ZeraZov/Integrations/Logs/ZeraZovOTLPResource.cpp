#include "ZeraZov/Integrations/Logs/ZeraZovOTLPResource.h"

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Utilities/Utils.h"

namespace zerazov {

nlohmann::json otlpResourceAttributes(const ZeraZovLogsConfig& config) noexcept {
    auto attributes = config.resourceAttributes.is_object() ? config.resourceAttributes : nlohmann::json::object();
    attributes["service.name"] = config.serviceName;
    if (!config.serviceVersion.empty()) attributes["service.version"] = config.serviceVersion;
    if (config.environment) attributes["deployment.environment"] = *config.environment;
    attributes["telemetry.sdk.name"] = ZeraZovLibraryInfo::name();
    attributes["telemetry.sdk.version"] = ZeraZovLibraryInfo::version;
    attributes["os.name"] = "Linux";
    attributes["os.version"] = operatingSystemVersionString();
    return attributes;
}

}  // namespace zerazov
