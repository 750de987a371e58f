#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyQuestion.h"
#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyRatingType.h"

namespace zerazov {

// A question answered with a value on a scale.
class ZeraZovDisplayRatingQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    struct Fields {
        ZeraZovDisplaySurveyRatingType ratingType = ZeraZovDisplaySurveyRatingType::number;
        std::int64_t scaleLowerBound = 0;
        std::int64_t scaleUpperBound = 0;
        std::string lowerBoundLabel{};
        std::string upperBoundLabel{};
    };

    ZeraZovDisplayRatingQuestion(ZeraZovDisplaySurveyQuestion::Fields question, Fields fields)
        : ZeraZovDisplaySurveyQuestion(std::move(question)), fields_(std::move(fields)) {}

    ZeraZovDisplaySurveyRatingType ratingType() const { return fields_.ratingType; }
    std::int64_t scaleLowerBound() const { return fields_.scaleLowerBound; }
    std::int64_t scaleUpperBound() const { return fields_.scaleUpperBound; }
    const std::string& lowerBoundLabel() const { return fields_.lowerBoundLabel; }
    const std::string& upperBoundLabel() const { return fields_.upperBoundLabel; }

private:
    const Fields fields_;
};

}  // namespace zerazov
