#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zerazov {

// The case of an enumeration whose raw values run from 0 to Count - 1; nothing for
// any other number.
template <typename Enum, int Count>
constexpr std::optional<Enum> enumFromRawValue(int rawValue) {
    if (rawValue < 0 || rawValue >= Count) return std::nullopt;
    return static_cast<Enum>(rawValue);
}

// How a survey's descriptive text is written.
enum class ZeraZovDisplaySurveyTextContentType : int {
    html = 0,
    text = 1,
};

constexpr std::optional<ZeraZovDisplaySurveyTextContentType> textContentTypeFromRawValue(int rawValue) {
    return enumFromRawValue<ZeraZovDisplaySurveyTextContentType, 2>(rawValue);
}

// How a rating question asks for its value.
enum class ZeraZovDisplaySurveyRatingType : int {
    number = 0,
    emoji = 1,
};

constexpr std::optional<ZeraZovDisplaySurveyRatingType> ratingTypeFromRawValue(int rawValue) {
    return enumFromRawValue<ZeraZovDisplaySurveyRatingType, 2>(rawValue);
}

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

// A question answered in the respondent's own words.
class ZeraZovDisplayOpenQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    using ZeraZovDisplaySurveyQuestion::ZeraZovDisplaySurveyQuestion;
};

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

// A question answered with a value on a scale.
class ZeraZovDisplayRatingQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    struct Fields {
        ZeraZovDisplaySurveyRatingType ratingType = ZeraZovDisplaySurveyRatingType::number;
        std::int64_t scaleLowerBound = 0;
        std::int64_t scaleUpperBound = 0;
        std::string lowerBoundLabel{};
        std::string upperBoundLabel{};
    };

    ZeraZovDisplayRatingQuestion(ZeraZovDisplaySurveyQuestion::Fields question, Fields fields)
        : ZeraZovDisplaySurveyQuestion(std::move(question)), fields_(std::move(fields)) {}

    ZeraZovDisplaySurveyRatingType ratingType() const { return fields_.ratingType; }
    std::int64_t scaleLowerBound() const { return fields_.scaleLowerBound; }
    std::int64_t scaleUpperBound() const { return fields_.scaleUpperBound; }
    const std::string& lowerBoundLabel() const { return fields_.lowerBoundLabel; }
    const std::string& upperBoundLabel() const { return fields_.upperBoundLabel; }

private:
    const Fields fields_;
};

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

// A survey as the client hands it to the application's renderer (the surveys
// delegate of the configuration). Survey logic fills it in once and shares it
// read-only; nothing in this client makes one yet.
class ZeraZovDisplaySurvey {
public:
    using Date = std::chrono::system_clock::time_point;
    using Questions = std::vector<std::shared_ptr<const ZeraZovDisplaySurveyQuestion>>;

    struct Fields {
        std::string id{};
        std::string name{};
        Questions questions{};
        std::optional<ZeraZovDisplaySurveyAppearance> appearance{};
        std::optional<Date> startDate{};
        std::optional<Date> endDate{};
    };

    explicit ZeraZovDisplaySurvey(Fields fields) : fields_(std::move(fields)) {}

    const std::string& id() const { return fields_.id; }
    const std::string& name() const { return fields_.name; }
    const Questions& questions() const { return fields_.questions; }
    const std::optional<ZeraZovDisplaySurveyAppearance>& appearance() const { return fields_.appearance; }
    const std::optional<Date>& startDate() const { return fields_.startDate; }
    const std::optional<Date>& endDate() const { return fields_.endDate; }

private:
    const Fields fields_;
};

}  // namespace zerazov
