#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovSurveyResponseType.h"

namespace zerazov {

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

}  // namespace zerazov
