#include "ZeraZov/Core/Flags/ZeraZovFeatureFlagResult.h"

namespace zerazov {

ZeraZovFeatureFlagResult::ZeraZovFeatureFlagResult(std::string key, bool enabled, std::optional<std::string> variant,
                                                   std::optional<nlohmann::json> payload)
    : key_(std::move(key)), enabled_(enabled), variant_(std::move(variant)), payload_(std::move(payload)) {}

}  // namespace zerazov
