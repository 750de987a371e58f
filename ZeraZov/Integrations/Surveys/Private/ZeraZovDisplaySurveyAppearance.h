#pragma once
#include <optional>
#include <string>
#include <utility>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyTextContentType.h"

namespace zerazov {

// How a survey asks to be drawn; every colour and text is the renderer's to
// interpret, and an absent one means the renderer's own choice.
class ZeraZovDisplaySurveyAppearance {
public:
    struct Fields {
        std::optional<std::string> fontFamily{};
        std::optional<std::string> backgroundColor{};
        std::optional<std::string> borderColor{};
        std::optional<std::string> submitButtonColor{};
        std::optional<std::string> submitButtonText{};
        std::optional<std::string> submitButtonTextColor{};
        std::optional<std::string> textColor{};
        std::optional<std::string> descriptionTextColor{};
        std::optional<std::string> ratingButtonColor{};
        std::optional<std::string> ratingButtonActiveColor{};
        std::optional<std::string> inputBackground{};
        std::optional<std::string> inputTextColor{};
        std::optional<std::string> placeholder{};
        std::optional<double> surveyPopupDelaySeconds{};
        bool displayThankYouMessage = false;
        std::optional<std::string> thankYouMessageHeader{};
        std::optional<std::string> thankYouMessageDescription{};
        std::optional<ZeraZovDisplaySurveyTextContentType> thankYouMessageDescriptionContentType{};
        std::optional<std::string> thankYouMessageCloseButtonText{};
    };

    explicit ZeraZovDisplaySurveyAppearance(Fields fields) : fields_(std::move(fields)) {}

    const std::optional<std::string>& fontFamily() const { return fields_.fontFamily; }
    const std::optional<std::string>& backgroundColor() const { return fields_.backgroundColor; }
    const std::optional<std::string>& borderColor() const { return fields_.borderColor; }
    const std::optional<std::string>& submitButtonColor() const { return fields_.submitButtonColor; }
    const std::optional<std::string>& submitButtonText() const { return fields_.submitButtonText; }
    const std::optional<std::string>& submitButtonTextColor() const { return fields_.submitButtonTextColor; }
    const std::optional<std::string>& textColor() const { return fields_.textColor; }
    const std::optional<std::string>& descriptionTextColor() const { return fields_.descriptionTextColor; }
    const std::optional<std::string>& ratingButtonColor() const { return fields_.ratingButtonColor; }
    const std::optional<std::string>& ratingButtonActiveColor() const { return fields_.ratingButtonActiveColor; }
    const std::optional<std::string>& inputBackground() const { return fields_.inputBackground; }
    const std::optional<std::string>& inputTextColor() const { return fields_.inputTextColor; }
    const std::optional<std::string>& placeholder() const { return fields_.placeholder; }
    const std::optional<double>& surveyPopupDelaySeconds() const { return fields_.surveyPopupDelaySeconds; }
    bool displayThankYouMessage() const { return fields_.displayThankYouMessage; }
    const std::optional<std::string>& thankYouMessageHeader() const { return fields_.thankYouMessageHeader; }
    const std::optional<std::string>& thankYouMessageDescription() const { return fields_.thankYouMessageDescription; }
    const std::optional<ZeraZovDisplaySurveyTextContentType>& thankYouMessageDescriptionContentType() const {
        return fields_.thankYouMessageDescriptionContentType;
    }
    const std::optional<std::string>& thankYouMessageCloseButtonText() const {
        return fields_.thankYouMessageCloseButtonText;
    }

private:
    const Fields fields_;
};

}  // namespace zerazov
