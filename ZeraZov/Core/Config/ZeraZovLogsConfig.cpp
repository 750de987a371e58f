#include "ZeraZov/Core/Config/ZeraZovLogsConfig.h"

#include "ZeraZov/Core/Utilities/Utils.h"

namespace zerazov {

ZeraZovLogsConfig::ZeraZovLogsConfig(const platform::BundleInfo& program)
    : serviceName(ZeraZovClientDefaults::logsServiceName(program.identifier)),
      serviceVersion(appShortVersion(program).value_or("")),
      beforeSend(std::make_shared<BeforeSendChain<ZeraZovLogRecord>>()) {}

}  // namespace zerazov
