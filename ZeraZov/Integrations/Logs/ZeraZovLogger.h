#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

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

// What applications write structured logs through: one call per severity, with
// or without attributes. It holds its client weakly, so once the client is gone
// every call does nothing. Calls may come from any thread; the capture runs on it.
class ZeraZovLogger {
public:
    explicit ZeraZovLogger(std::weak_ptr<ZeraZovLogCapturing> sdk);

    void trace(std::string body, std::optional<nlohmann::json> attributes = std::nullopt) const noexcept;
    void debug(std::string body, std::optional<nlohmann::json> attributes = std::nullopt) const noexcept;
    void info(std::string body, std::optional<nlohmann::json> attributes = std::nullopt) const noexcept;
    void warn(std::string body, std::optional<nlohmann::json> attributes = std::nullopt) const noexcept;
    void error(std::string body, std::optional<nlohmann::json> attributes = std::nullopt) const noexcept;
    void fatal(std::string body, std::optional<nlohmann::json> attributes = std::nullopt) const noexcept;

    // Every check beyond the client's presence is the capture's: empty bodies,
    // opt-out and an unfinished set-up all reach it.
    void log(std::string body, std::optional<nlohmann::json> attributes, ZeraZovLogSeverity level) const noexcept;

    // Fixed at construction, so calls on other threads never race a replacement.
    const std::weak_ptr<ZeraZovLogCapturing>& sdk() const { return sdk_; }

private:
    std::weak_ptr<ZeraZovLogCapturing> sdk_;
};

}  // namespace zerazov
