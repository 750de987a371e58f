#pragma once
#include <optional>

#include "ZeraZov/Integrations/Surveys/Private/RawValueEnum.h"

namespace zerazov {

// How a rating question asks for its value.
enum class ZeraZovDisplaySurveyRatingType : int {
    number = 0,
    emoji = 1,
};

constexpr std::optional<ZeraZovDisplaySurveyRatingType> ratingTypeFromRawValue(int rawValue) {
    return enumFromRawValue<ZeraZovDisplaySurveyRatingType, 2>(rawValue);
}

}  // namespace zerazov
