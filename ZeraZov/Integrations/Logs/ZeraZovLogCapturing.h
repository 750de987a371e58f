#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"

namespace zerazov {

// The client's log capture as the logger sees it. The client checks set-up,
// opt-out and empty bodies itself, stamps the record and queues it; nothing is
// reported back and nothing may be thrown.
class ZeraZovLogCapturing {
public:
    virtual ~ZeraZovLogCapturing() = default;

    virtual void captureLogInternal(std::string body, ZeraZovLogSeverity level,
                                    std::optional<nlohmann::json> attributes, std::optional<std::string> traceId,
                                    std::optional<std::string> spanId,
                                    std::optional<std::int64_t> traceFlags) noexcept = 0;
};

}  // namespace zerazov
