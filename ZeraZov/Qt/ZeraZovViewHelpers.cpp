#include "ZeraZov/Qt/ZeraZovViewHelpers.h"

#include <cxxabi.h>
#include <cstdlib>
#include <string_view>
#include <typeinfo>

#include <QWidget>

namespace zerazov {
namespace {

// The widget's own C++ class: a class without Q_OBJECT shares its base's
// meta-object, whose name would be "QWidget" for every such screen.
std::string className(const QWidget& widget) {
    const auto& type = typeid(widget);
    int status = -1;
    const std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(widget.metaObject()->className());
}

// The class name after its last "::" outside template arguments.
std::string unqualifiedClassName(const QWidget& widget) {
    const auto name = className(widget);
    const std::string_view scoped = std::string_view(name).substr(0, name.find('<'));
    const auto separator = scoped.rfind("::");
    return separator == std::string_view::npos ? name : name.substr(separator + 2);
}

}  // namespace

ZeraZovDeepLinkListener* captureDeepLinks(QObject* attachedTo, std::shared_ptr<ZeraZovSDK> client,
                                          QStringList schemes) {
    return new ZeraZovDeepLinkListener(attachedTo, std::move(client), std::move(schemes));
}

ZeraZovSwiftUIViewModifier* trackScreen(QWidget* widget, std::optional<std::string> name,
                                        std::optional<nlohmann::json> properties, std::shared_ptr<ZeraZovSDK> client) {
    auto screenName = name ? std::move(*name) : unqualifiedClassName(*widget);
    return new ZeraZovSwiftUIViewModifier(widget, std::move(screenName), true, std::move(properties),
                                          std::move(client));
}

ZeraZovSwiftUIViewModifier* trackViewEvent(QWidget* widget, std::string name, std::optional<nlohmann::json> properties,
                                           std::shared_ptr<ZeraZovSDK> client) {
    return new ZeraZovSwiftUIViewModifier(widget, std::move(name), false, std::move(properties), std::move(client));
}

}  // namespace zerazov
