#pragma once
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <nlohmann/json.hpp>

#include "ZeraZov/Client/ZeraZovSDK.h"

class QWidget;

namespace zerazov {

// Sends a screen view, or an ordinary event, each time the widget it watches is
// shown: every appearance sends again. The client is taken when the widget
// appears, the shared one when none was given, so a tracker made before the
// shared client is set up reports through it once it is.
//
// Parented to the widget, so it lives as long as the widget.
class ZeraZovSwiftUIViewModifier final : public QObject {
    Q_OBJECT

public:
    // A null client means the shared one.
    ZeraZovSwiftUIViewModifier(QWidget* widget, std::string name, bool isScreen,
                               std::optional<nlohmann::json> eventProperties, std::shared_ptr<ZeraZovSDK> client);

    // A screen view ("$screen" under the normalised name) or an event of that name,
    // with the properties as given.
    void onAppear();

    const std::string viewEventName;
    const bool screenEvent;
    const std::optional<nlohmann::json> properties;
    const std::shared_ptr<ZeraZovSDK> zeraZov;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace zerazov
