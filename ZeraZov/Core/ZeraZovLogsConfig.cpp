#include "ZeraZov/Core/ZeraZovLogsConfig.h"

namespace zerazov {

ZeraZovLogsConfig::ZeraZovLogsConfig()
    : serviceName(ZeraZovClientDefaults::logsServiceName()),
      serviceVersion(ZeraZovClientDefaults::logsServiceVersion()),
      beforeSend(std::make_shared<BeforeSendChain<ZeraZovLogRecord>>()) {}

}  // namespace zerazov
