#pragma once
#include <cstdint>
#include <optional>
#include <string>

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

}  // namespace zerazov
