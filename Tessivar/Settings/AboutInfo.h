#pragma once
#include <array>
#include <string>
#include <string_view>

#include "Platform/Foundation/BundleInfo.h"

namespace tessivar {

// What the About pane shows: the product, its version and where to reach us.
struct AboutInfo {
    struct Link {
        std::string_view title;
        std::string_view symbol;
        std::string_view destination;
    };

    static constexpr std::string_view kName = "Tessivar";
    static constexpr std::string_view kVersionPrefix = "版本 ";
    static constexpr std::string_view kSectionProduct = "关于产品";
    static constexpr std::string_view kSectionLinks = "链接与支持";
    static constexpr std::string_view kSummary = "Tessivar 是一款多屏光标跳转工具。";
    static constexpr std::string_view kDescription =
        "通过快捷键在不同屏幕之间快速移动光标，让多显示器操作更自然、更高效。";
    static constexpr std::array<Link, 3> kLinks{{
        {"官方网站", "safari", "https://tessivar.brel.com"},
        {"反馈问题", "ladybug", "https://tessivar.brel.com/feedback"},
        {"联系邮箱", "envelope", "mailto:tessivar@brel.com"},
    }};

    // The build's short version as it stands, or "1.0.0" when it has none.
    static std::string appVersion(const platform::BundleInfo& bundle) {
        return bundle.shortVersion.empty() ? "1.0.0" : bundle.shortVersion;
    }
};

}  // namespace tessivar
