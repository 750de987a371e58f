#pragma once
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ZeraZov/Integrations/ZeraZovDisplaySurveyAppearance.h"
#include "ZeraZov/Integrations/ZeraZovDisplaySurveyQuestion.h"

namespace zerazov {

// A survey as the client hands it to the application's renderer (the surveys
// delegate of the configuration). Survey logic fills it in once and shares it
// read-only; nothing in this client makes one yet.
class ZeraZovDisplaySurvey {
public:
    using Date = std::chrono::system_clock::time_point;

    std::string id;
    std::string name;
    std::vector<std::shared_ptr<const ZeraZovDisplaySurveyQuestion>> questions;
    std::optional<ZeraZovDisplaySurveyAppearance> appearance;
    std::optional<Date> startDate;
    std::optional<Date> endDate;
};

}  // namespace zerazov
