#pragma once
#include "ZeraZov/Core/Config/ZeraZovSurveysDelegate.h"

namespace zerazov {

// The delegate of an application that shows no surveys: both operations do nothing,
// and no callback is ever called.
class ZeraZovSurveysDefaultDelegate final : public ZeraZovSurveysDelegate {
public:
    void renderSurvey(const Survey& survey, OnSurveyShown onSurveyShown, OnSurveyResponse onSurveyResponse,
                      OnSurveyClosed onSurveyClosed) override;
    void cleanupSurveys() override;
};

}  // namespace zerazov
