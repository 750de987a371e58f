#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace zerazov {

// How one element of a screen recording looks. Nothing records the screen on
// this platform; the type keeps the recording format's shape for those who will.
struct RRStyle {
    std::optional<std::string> color;
    std::optional<std::string> backgroundColor;
    std::optional<std::string> backgroundImage;
    std::optional<std::int64_t> borderWidth;
    std::optional<std::int64_t> borderRadius;
    std::optional<std::string> borderColor;
    std::optional<std::int64_t> fontSize;
    std::optional<std::string> fontFamily;
    std::optional<std::string> horizontalAlign;
    std::optional<std::string> verticalAlign;
    std::optional<std::int64_t> paddingTop;
    std::optional<std::int64_t> paddingBottom;
    std::optional<std::int64_t> paddingLeft;
    std::optional<std::int64_t> paddingRight;
    std::optional<std::string> bar;
};

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

// What a screen recorder has sent so far for one view tree.
struct ViewTreeSnapshotStatus {
    bool sentFullSnapshot = false;
    bool sentMetaEvent = false;
    bool keyboardVisible = false;
    bool lastSnapshot = false;
};

}  // namespace zerazov
