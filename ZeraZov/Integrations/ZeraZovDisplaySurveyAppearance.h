#pragma once
#include <optional>
#include <string>

#include "ZeraZov/Integrations/ZeraZovDisplaySurveyTextContentType.h"

namespace zerazov {

// How a survey asks to be drawn; every colour and text is the renderer's to
// interpret, and an absent one means the renderer's own choice.
class ZeraZovDisplaySurveyAppearance {
public:
    std::optional<std::string> fontFamily;
    std::optional<std::string> backgroundColor;
    std::optional<std::string> borderColor;
    std::optional<std::string> submitButtonColor;
    std::optional<std::string> submitButtonText;
    std::optional<std::string> submitButtonTextColor;
    std::optional<std::string> textColor;
    std::optional<std::string> descriptionTextColor;
    std::optional<std::string> ratingButtonColor;
    std::optional<std::string> ratingButtonActiveColor;
    std::optional<std::string> inputBackground;
    std::optional<std::string> inputTextColor;
    std::optional<std::string> placeholder;
    std::optional<double> surveyPopupDelaySeconds;
    bool displayThankYouMessage = false;
    std::optional<std::string> thankYouMessageHeader;
    std::optional<std::string> thankYouMessageDescription;
    std::optional<ZeraZovDisplaySurveyTextContentType> thankYouMessageDescriptionContentType;
    std::optional<std::string> thankYouMessageCloseButtonText;
};

}  // namespace zerazov
