#pragma once
#include <memory>
#include <optional>
#include <string>

#include <QStringList>
#include <nlohmann/json.hpp>

#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Qt/ZeraZovDeepLinkListener.h"
#include "ZeraZov/Qt/ZeraZovSwiftUIViewModifier.h"

class QObject;
class QWidget;

namespace zerazov {

// Analytics for a Qt Widgets program without calls of its own. Each helper is
// parented to the object it is attached to and goes with it; a null client means
// the shared one.

// "Deep Link Opened" for every URL opened for the application: those of the given
// schemes that QDesktopServices opens, and those that file-open events carry. The
// client is taken now.
ZeraZovDeepLinkListener* captureDeepLinks(QObject* attachedTo, std::shared_ptr<ZeraZovSDK> client = nullptr,
                                          QStringList schemes = {});

// A screen view each time the widget is shown; without a name, the widget's own
// class name, without its namespaces.
ZeraZovSwiftUIViewModifier* trackScreen(QWidget* widget, std::optional<std::string> name = std::nullopt,
                                        std::optional<nlohmann::json> properties = std::nullopt,
                                        std::shared_ptr<ZeraZovSDK> client = nullptr);

// The named event each time the widget is shown.
ZeraZovSwiftUIViewModifier* trackViewEvent(QWidget* widget, std::string name,
                                           std::optional<nlohmann::json> properties = std::nullopt,
                                           std::shared_ptr<ZeraZovSDK> client = nullptr);

}  // namespace zerazov
