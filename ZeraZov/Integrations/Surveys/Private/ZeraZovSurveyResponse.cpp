#include "ZeraZov/Integrations/Surveys/Private/ZeraZovSurveyResponse.h"

#include <utility>

namespace zerazov {

ZeraZovSurveyResponse ZeraZovSurveyResponse::link(bool linkClicked) {
    ZeraZovSurveyResponse response(ZeraZovSurveyResponseType::link);
    response.linkClicked_ = linkClicked;
    return response;
}

ZeraZovSurveyResponse ZeraZovSurveyResponse::rating(std::optional<std::int64_t> ratingValue) {
    ZeraZovSurveyResponse response(ZeraZovSurveyResponseType::rating);
    response.ratingValue_ = ratingValue;
    return response;
}

ZeraZovSurveyResponse ZeraZovSurveyResponse::openEnded(std::optional<std::string> textValue) {
    ZeraZovSurveyResponse response(ZeraZovSurveyResponseType::openEnded);
    response.textValue_ = std::move(textValue);
    return response;
}

ZeraZovSurveyResponse ZeraZovSurveyResponse::singleChoice(std::optional<std::string> selectedOption) {
    ZeraZovSurveyResponse response(ZeraZovSurveyResponseType::singleChoice);
    if (selectedOption) response.selectedOptions_ = std::vector<std::string>{std::move(*selectedOption)};
    return response;
}

ZeraZovSurveyResponse ZeraZovSurveyResponse::multipleChoice(std::optional<std::vector<std::string>> selectedOptions) {
    ZeraZovSurveyResponse response(ZeraZovSurveyResponseType::multipleChoice);
    response.selectedOptions_ = std::move(selectedOptions);
    return response;
}

}  // namespace zerazov
