#pragma once
#include <cstdint>
#include <string>

#include "ZeraZov/Integrations/ZeraZovDisplaySurveyQuestion.h"
#include "ZeraZov/Integrations/ZeraZovDisplaySurveyRatingType.h"

namespace zerazov {

// A question answered with a value on a scale.
class ZeraZovDisplayRatingQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    ZeraZovDisplaySurveyRatingType ratingType = ZeraZovDisplaySurveyRatingType::number;
    std::int64_t scaleLowerBound = 0;
    std::int64_t scaleUpperBound = 0;
    std::string lowerBoundLabel;
    std::string upperBoundLabel;
};

}  // namespace zerazov
