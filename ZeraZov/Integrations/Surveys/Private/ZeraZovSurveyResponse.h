#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurvey.h"

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

// One answer as the application's survey renderer reports it. Made only by the
// constructor of its kind, which sets that kind's field and leaves the others absent.
class ZeraZovSurveyResponse {
public:
    static ZeraZovSurveyResponse link(bool linkClicked);
    static ZeraZovSurveyResponse rating(std::optional<std::int64_t> ratingValue);
    static ZeraZovSurveyResponse openEnded(std::optional<std::string> textValue);
    // The one chosen option; no options at all (not an empty list) without one.
    static ZeraZovSurveyResponse singleChoice(std::optional<std::string> selectedOption);
    static ZeraZovSurveyResponse multipleChoice(std::optional<std::vector<std::string>> selectedOptions);

    ZeraZovSurveyResponseType type() const { return type_; }
    const std::optional<bool>& linkClicked() const { return linkClicked_; }
    const std::optional<std::int64_t>& ratingValue() const { return ratingValue_; }
    const std::optional<std::string>& textValue() const { return textValue_; }
    const std::optional<std::vector<std::string>>& selectedOptions() const { return selectedOptions_; }

private:
    explicit ZeraZovSurveyResponse(ZeraZovSurveyResponseType type) : type_(type) {}

    ZeraZovSurveyResponseType type_;
    std::optional<bool> linkClicked_;
    std::optional<std::int64_t> ratingValue_;
    std::optional<std::string> textValue_;
    std::optional<std::vector<std::string>> selectedOptions_;
};

// What the renderer shows after an answer: the question at the index, or nothing
// more once the survey is completed.
class ZeraZovNextSurveyQuestion {
public:
    struct Fields {
        std::int64_t questionIndex = 0;
        bool isSurveyCompleted = false;
    };

    explicit ZeraZovNextSurveyQuestion(Fields fields) : fields_(std::move(fields)) {}

    std::int64_t questionIndex() const { return fields_.questionIndex; }
    bool isSurveyCompleted() const { return fields_.isSurveyCompleted; }

private:
    const Fields fields_;
};

}  // namespace zerazov
