#pragma once
#include <memory>
#include <optional>
#include <string>

#include "ZeraZov/Core/Config/ZeraZovSurveysDefaultDelegate.h"

namespace zerazov {

// Survey settings. Nothing in the client shows surveys yet; the settings are kept
// so an application can fill them in ahead of that.
struct ZeraZovSurveysConfig {
    std::shared_ptr<ZeraZovSurveysDelegate> surveysDelegate = std::make_shared<ZeraZovSurveysDefaultDelegate>();
    std::optional<std::string> overrideDisplayLanguage;
};

}  // namespace zerazov
