#pragma once
#include <cstdint>
#include <functional>
#include <memory>

namespace zerazov {

// The survey display model, defined with the survey logic that makes it.
class ZeraZovDisplaySurvey;
class ZeraZovSurveyResponse;
class ZeraZovNextSurveyQuestion;

// What shows a survey on the client's behalf: the application renders it, reports
// when it is shown and closed, and hands each answer back to learn what comes next.
class ZeraZovSurveysDelegate {
public:
    using Survey = std::shared_ptr<const ZeraZovDisplaySurvey>;
    using OnSurveyShown = std::function<void(const Survey& survey)>;
    // The answer to the question at the index; what to show next, or nothing.
    using OnSurveyResponse = std::function<std::shared_ptr<const ZeraZovNextSurveyQuestion>(
        const Survey& survey, std::int64_t questionIndex,
        const std::shared_ptr<const ZeraZovSurveyResponse>& response)>;
    using OnSurveyClosed = std::function<void(const Survey& survey)>;

    virtual ~ZeraZovSurveysDelegate() = default;

    virtual void renderSurvey(const Survey& survey, OnSurveyShown onSurveyShown, OnSurveyResponse onSurveyResponse,
                              OnSurveyClosed onSurveyClosed) = 0;
    virtual void cleanupSurveys() = 0;
};

}  // namespace zerazov
