#pragma once
#include <optional>

#include "ZeraZov/Integrations/Surveys/Private/RawValueEnum.h"

namespace zerazov {

// How a survey's descriptive text is written.
enum class ZeraZovDisplaySurveyTextContentType : int {
    html = 0,
    text = 1,
};

constexpr std::optional<ZeraZovDisplaySurveyTextContentType> textContentTypeFromRawValue(int rawValue) {
    return enumFromRawValue<ZeraZovDisplaySurveyTextContentType, 2>(rawValue);
}

}  // namespace zerazov
