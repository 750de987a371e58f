#pragma once
#include <optional>
#include <string>
#include <utility>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyTextContentType.h"

namespace zerazov {

// What every question of a survey has; its kind is the subclass the renderer finds.
// Fixed when survey logic makes it, so that every renderer sharing it sees the same.
class ZeraZovDisplaySurveyQuestion {
public:
    struct Fields {
        std::string id{};
        std::string question{};
        std::optional<std::string> questionDescription{};
        ZeraZovDisplaySurveyTextContentType questionDescriptionContentType = ZeraZovDisplaySurveyTextContentType::text;
        bool isOptional = false;
        std::optional<std::string> buttonText{};
    };

    explicit ZeraZovDisplaySurveyQuestion(Fields fields) : fields_(std::move(fields)) {}
    virtual ~ZeraZovDisplaySurveyQuestion() = default;

    const std::string& id() const { return fields_.id; }
    const std::string& question() const { return fields_.question; }
    const std::optional<std::string>& questionDescription() const { return fields_.questionDescription; }
    ZeraZovDisplaySurveyTextContentType questionDescriptionContentType() const {
        return fields_.questionDescriptionContentType;
    }
    bool isOptional() const { return fields_.isOptional; }
    const std::optional<std::string>& buttonText() const { return fields_.buttonText; }

private:
    const Fields fields_;
};

}  // namespace zerazov
