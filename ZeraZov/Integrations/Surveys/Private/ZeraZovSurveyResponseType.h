#pragma once
#include <optional>

#include "ZeraZov/Integrations/Surveys/Private/RawValueEnum.h"

namespace zerazov {

// Which kind of question an answer belongs to.
enum class ZeraZovSurveyResponseType : int {
    link = 0,
    rating = 1,
    openEnded = 2,
    singleChoice = 3,
    multipleChoice = 4,
};

constexpr std::optional<ZeraZovSurveyResponseType> surveyResponseTypeFromRawValue(int rawValue) {
    return enumFromRawValue<ZeraZovSurveyResponseType, 5>(rawValue);
}

}  // namespace zerazov
