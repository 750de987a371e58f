#pragma once
#include <string>
#include <utility>
#include <vector>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyQuestion.h"

namespace zerazov {

// A question answered by picking one or more of its choices.
class ZeraZovDisplayChoiceQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    struct Fields {
        std::vector<std::string> choices{};
        bool hasOpenChoice = false;
        bool shuffleOptions = false;
        bool isMultipleChoice = false;
    };

    ZeraZovDisplayChoiceQuestion(ZeraZovDisplaySurveyQuestion::Fields question, Fields fields)
        : ZeraZovDisplaySurveyQuestion(std::move(question)), fields_(std::move(fields)) {}

    const std::vector<std::string>& choices() const { return fields_.choices; }
    bool hasOpenChoice() const { return fields_.hasOpenChoice; }
    bool shuffleOptions() const { return fields_.shuffleOptions; }
    bool isMultipleChoice() const { return fields_.isMultipleChoice; }

private:
    const Fields fields_;
};

}  // namespace zerazov
