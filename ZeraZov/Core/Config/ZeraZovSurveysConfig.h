#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

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

// The delegate of an application that shows no surveys: both operations do nothing,
// and no callback is ever called.
class ZeraZovSurveysDefaultDelegate final : public ZeraZovSurveysDelegate {
public:
    void renderSurvey(const Survey&, OnSurveyShown, OnSurveyResponse, OnSurveyClosed) override {}
    void cleanupSurveys() override {}
};

// Survey settings. Nothing in the client shows surveys yet; the settings are kept
// so an application can fill them in ahead of that.
struct ZeraZovSurveysConfig {
    std::shared_ptr<ZeraZovSurveysDelegate> surveysDelegate = std::make_shared<ZeraZovSurveysDefaultDelegate>();
    std::optional<std::string> overrideDisplayLanguage;
};

}  // namespace zerazov
