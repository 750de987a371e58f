#pragma once
#include <string>
#include <vector>

#include "ZeraZov/Integrations/ZeraZovDisplaySurveyQuestion.h"

namespace zerazov {

// A question answered by picking one or more of its choices.
class ZeraZovDisplayChoiceQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    std::vector<std::string> choices;
    bool hasOpenChoice = false;
    bool shuffleOptions = false;
    bool isMultipleChoice = false;
};

}  // namespace zerazov
