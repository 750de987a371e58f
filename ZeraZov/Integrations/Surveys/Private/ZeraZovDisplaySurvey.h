#pragma once
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyAppearance.h"
#include "ZeraZov/Integrations/Surveys/Private/ZeraZovDisplaySurveyQuestion.h"

namespace zerazov {

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
