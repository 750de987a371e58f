#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Integrations/Replay/Private/RRStyle.h"

namespace zerazov {

// One element of a screen recording, with the elements inside it. Like RRStyle,
// a shape of the recording format only: nothing here builds or sends one.
struct RRWireframe {
    std::int64_t id = 0;
    std::int64_t posX = 0;
    std::int64_t posY = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::optional<std::vector<RRWireframe>> childWireframes;
    std::optional<std::string> type;
    std::optional<std::string> inputType;
    std::optional<std::string> text;
    std::optional<std::string> label;
    std::optional<nlohmann::json> value;
    std::optional<std::string> base64;
    std::optional<RRStyle> style;
    std::optional<bool> disabled;
    std::optional<bool> checked;
    std::optional<std::vector<std::string>> options;
    std::optional<std::int64_t> max;
    std::optional<std::int64_t> parentId;
};

}  // namespace zerazov
