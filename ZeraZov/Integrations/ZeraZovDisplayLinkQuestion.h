#pragma once
#include <optional>
#include <string>

#include "ZeraZov/Integrations/ZeraZovDisplaySurveyQuestion.h"

namespace zerazov {

// A question that offers a link to follow.
class ZeraZovDisplayLinkQuestion final : public ZeraZovDisplaySurveyQuestion {
public:
    std::optional<std::string> link;
};

}  // namespace zerazov
