#include "ZeraZov/Core/Config/ZeraZovSurveysDefaultDelegate.h"

namespace zerazov {

void ZeraZovSurveysDefaultDelegate::renderSurvey(const Survey&, OnSurveyShown, OnSurveyResponse, OnSurveyClosed) {}

void ZeraZovSurveysDefaultDelegate::cleanupSurveys() {}

}  // namespace zerazov
