#include "Tessivar/AnalyticsViews/ZeraZovViewHelpers.h"

#include <string_view>

#include <QWidget>

namespace zerazov {
namespace {

// The class name of the widget's meta-object after its last "::".
std::string unqualifiedClassName(const QWidget& widget) {
    const std::string_view name = widget.metaObject()->className();
    const auto separator = name.rfind("::");
    return std::string(separator == std::string_view::npos ? name : name.substr(separator + 2));
}

}  // namespace

ZeraZovDeepLinkListener* captureDeepLinks(QObject* attachedTo, std::shared_ptr<ZeraZovSDK> client,
                                          QStringList schemes) {
    return new ZeraZovDeepLinkListener(attachedTo, std::move(client), std::move(schemes));
}

ZeraZovViewTracker* trackScreen(QWidget* widget, std::optional<std::string> name,
                                std::optional<nlohmann::json> properties, std::shared_ptr<ZeraZovSDK> client) {
    auto screenName = name ? std::move(*name) : unqualifiedClassName(*widget);
    return new ZeraZovViewTracker(widget, std::move(screenName), true, std::move(properties), std::move(client));
}

ZeraZovViewTracker* trackViewEvent(QWidget* widget, std::string name, std::optional<nlohmann::json> properties,
                                   std::shared_ptr<ZeraZovSDK> client) {
    return new ZeraZovViewTracker(widget, std::move(name), false, std::move(properties), std::move(client));
}

}  // namespace zerazov
