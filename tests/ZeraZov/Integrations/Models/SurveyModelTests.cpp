#include <gtest/gtest.h>

#include <type_traits>

#include "ZeraZov/Core/Config/ZeraZovSurveysConfig.h"
#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurvey.h"
#include "ZeraZov/Integrations/Surveys/Private/ZeraZovSurveyResponse.h"

namespace zerazov {
namespace {

using Options = std::optional<std::vector<std::string>>;

TEST(SurveyModel, EachResponseSetsOnlyTheFieldOfItsKind) {
    struct Case {
        const char* what;
        ZeraZovSurveyResponse response;
        int rawType;
        std::optional<bool> linkClicked;
        std::optional<std::int64_t> ratingValue;
        std::optional<std::string> textValue;
        Options selectedOptions;
    };
    const std::vector<Case> cases{
        {"link", ZeraZovSurveyResponse::link(false), 0, false, {}, {}, {}},
        {"rating", ZeraZovSurveyResponse::rating(4), 1, {}, 4, {}, {}},
        {"rating without a value", ZeraZovSurveyResponse::rating(std::nullopt), 1, {}, {}, {}, {}},
        {"open", ZeraZovSurveyResponse::openEnded("很好"), 2, {}, {}, "很好", {}},
        {"single", ZeraZovSurveyResponse::singleChoice("B"), 3, {}, {}, {}, Options{{"B"}}},
        {"single without a choice", ZeraZovSurveyResponse::singleChoice(std::nullopt), 3, {}, {}, {}, {}},
        {"multiple", ZeraZovSurveyResponse::multipleChoice(Options{{"A", "C"}}), 4, {}, {}, {}, Options{{"A", "C"}}},
        {"multiple, none chosen",
         ZeraZovSurveyResponse::multipleChoice(std::vector<std::string>{}),
         4,
         {},
         {},
         {},
         std::vector<std::string>{}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(c.response.type()), c.rawType) << c.what;
        EXPECT_EQ(c.response.linkClicked(), c.linkClicked) << c.what;
        EXPECT_EQ(c.response.ratingValue(), c.ratingValue) << c.what;
        EXPECT_EQ(c.response.textValue(), c.textValue) << c.what;
        EXPECT_EQ(c.response.selectedOptions(), c.selectedOptions) << c.what;
    }
}

TEST(SurveyModel, OnlyKnownRawValuesNameACase) {
    for (int raw = -1; raw <= 6; ++raw) {
        EXPECT_EQ(surveyResponseTypeFromRawValue(raw).has_value(), raw >= 0 && raw <= 4) << raw;
        EXPECT_EQ(ratingTypeFromRawValue(raw).has_value(), raw == 0 || raw == 1) << raw;
        EXPECT_EQ(textContentTypeFromRawValue(raw).has_value(), raw == 0 || raw == 1) << raw;
    }
    EXPECT_EQ(surveyResponseTypeFromRawValue(3), ZeraZovSurveyResponseType::singleChoice);
}

// Renderers share one survey; none may change what another shows, and none is made empty.
template <typename... Display>
constexpr bool madeOnlyFromTheirFields = ((!std::is_default_constructible_v<Display> &&
                                           !std::is_assignable_v<Display&, const Display&>)&&...);
static_assert(
    madeOnlyFromTheirFields<ZeraZovDisplaySurvey, ZeraZovDisplaySurveyAppearance, ZeraZovDisplaySurveyQuestion,
                            ZeraZovDisplayOpenQuestion, ZeraZovDisplayLinkQuestion, ZeraZovDisplayRatingQuestion,
                            ZeraZovDisplayChoiceQuestion, ZeraZovNextSurveyQuestion>);

// An application that shows no surveys: the default delegate renders nothing and
// never answers.
TEST(SurveyModel, TheDefaultDelegateDoesNothingWithASurvey) {
    const ZeraZovSurveysConfig config;
    EXPECT_FALSE(config.overrideDisplayLanguage);
    auto choice = std::make_shared<const ZeraZovDisplayChoiceQuestion>(
        ZeraZovDisplaySurveyQuestion::Fields{.id = "q-1", .question = "Which?"},
        ZeraZovDisplayChoiceQuestion::Fields{.choices = {"A", "B"}});
    const auto survey = std::make_shared<const ZeraZovDisplaySurvey>(
        ZeraZovDisplaySurvey::Fields{.id = "survey-1", .questions = {choice}});
    int called = 0;
    config.surveysDelegate->renderSurvey(
        survey, [&](const auto&) { ++called; },
        [&](const auto&, std::int64_t, const auto&) {
            ++called;
            return std::make_shared<const ZeraZovNextSurveyQuestion>(ZeraZovNextSurveyQuestion::Fields{});
        },
        [&](const auto&) { ++called; });
    config.surveysDelegate->cleanupSurveys();
    EXPECT_EQ(called, 0);
}

}  // namespace
}  // namespace zerazov
