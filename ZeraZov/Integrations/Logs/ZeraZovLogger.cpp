#include "ZeraZov/Integrations/Logs/ZeraZovLogger.h"

#include <utility>

namespace zerazov {

ZeraZovLogger::ZeraZovLogger(std::weak_ptr<ZeraZovLogCapturing> sdk) : sdk_(std::move(sdk)) {}

void ZeraZovLogger::trace(std::string body, std::optional<nlohmann::json> attributes) const noexcept {
    log(std::move(body), std::move(attributes), ZeraZovLogSeverity::trace);
}

void ZeraZovLogger::debug(std::string body, std::optional<nlohmann::json> attributes) const noexcept {
    log(std::move(body), std::move(attributes), ZeraZovLogSeverity::debug);
}

void ZeraZovLogger::info(std::string body, std::optional<nlohmann::json> attributes) const noexcept {
    log(std::move(body), std::move(attributes), ZeraZovLogSeverity::info);
}

void ZeraZovLogger::warn(std::string body, std::optional<nlohmann::json> attributes) const noexcept {
    log(std::move(body), std::move(attributes), ZeraZovLogSeverity::warn);
}

void ZeraZovLogger::error(std::string body, std::optional<nlohmann::json> attributes) const noexcept {
    log(std::move(body), std::move(attributes), ZeraZovLogSeverity::error);
}

void ZeraZovLogger::fatal(std::string body, std::optional<nlohmann::json> attributes) const noexcept {
    log(std::move(body), std::move(attributes), ZeraZovLogSeverity::fatal);
}

void ZeraZovLogger::log(std::string body, std::optional<nlohmann::json> attributes,
                        ZeraZovLogSeverity level) const noexcept {
    const auto sdk = sdk_.lock();
    if (!sdk) return;
    sdk->captureLogInternal(std::move(body), level, std::move(attributes), std::nullopt, std::nullopt, std::nullopt);
}

}  // namespace zerazov
