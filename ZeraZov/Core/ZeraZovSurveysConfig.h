#pragma once
#include <memory>
#include <optional>
#include <string>

namespace zerazov {

class ZeraZovSurveysDelegate;

// Survey settings. Nothing in the client shows surveys yet; the settings are kept
// so an application can fill them in ahead of that.
struct ZeraZovSurveysConfig {
    // Empty means the do-nothing default delegate.
    std::shared_ptr<ZeraZovSurveysDelegate> surveysDelegate;
    std::optional<std::string> overrideDisplayLanguage;
};

}  // namespace zerazov
