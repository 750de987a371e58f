#pragma once
#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyQuestion.h"

namespace zerazov {

// A question answered in the respondent's own words.
class ZeraZovDisplayOpenQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    using ZeraZovDisplaySurveyQuestion::ZeraZovDisplaySurveyQuestion;
};

}  // namespace zerazov
