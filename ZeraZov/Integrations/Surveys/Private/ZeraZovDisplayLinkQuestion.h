#pragma once
#include <optional>
#include <string>
#include <utility>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyQuestion.h"

namespace zerazov {

// A question that offers a link to follow.
class ZeraZovDisplayLinkQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    struct Fields {
        std::optional<std::string> link{};
    };

    ZeraZovDisplayLinkQuestion(ZeraZovDisplaySurveyQuestion::Fields question, Fields fields)
        : ZeraZovDisplaySurveyQuestion(std::move(question)), fields_(std::move(fields)) {}

    const std::optional<std::string>& link() const { return fields_.link; }

private:
    const Fields fields_;
};

}  // namespace zerazov
