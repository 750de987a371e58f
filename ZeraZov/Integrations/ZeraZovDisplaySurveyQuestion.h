#pragma once
#include <optional>
#include <string>

#include "ZeraZov/Integrations/ZeraZovDisplaySurveyTextContentType.h"

namespace zerazov {

// What every question of a survey has; its kind is the subclass the renderer finds.
class ZeraZovDisplaySurveyQuestion {
public:
    virtual ~ZeraZovDisplaySurveyQuestion() = default;

    std::string id;
    std::string question;
    std::optional<std::string> questionDescription;
    ZeraZovDisplaySurveyTextContentType questionDescriptionContentType = ZeraZovDisplaySurveyTextContentType::text;
    bool isOptional = false;
    std::optional<std::string> buttonText;
};

}  // namespace zerazov
