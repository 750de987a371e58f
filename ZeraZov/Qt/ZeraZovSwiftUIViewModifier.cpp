#include "ZeraZov/Qt/ZeraZovSwiftUIViewModifier.h"

#include <QEvent>
#include <QWidget>

namespace zerazov {

ZeraZovSwiftUIViewModifier::ZeraZovSwiftUIViewModifier(QWidget* widget, std::string name, bool isScreen,
                                                       std::optional<nlohmann::json> eventProperties,
                                                       std::shared_ptr<ZeraZovSDK> client)
    : QObject(widget),
      viewEventName(std::move(name)),
      screenEvent(isScreen),
      properties(std::move(eventProperties)),
      zeraZov(std::move(client)) {
    widget->installEventFilter(this);
}

void ZeraZovSwiftUIViewModifier::onAppear() {
    auto& client = zeraZov ? *zeraZov : ZeraZovSDK::shared();
    if (screenEvent) return client.screen(viewEventName, properties);
    client.capture(viewEventName, properties);
}

bool ZeraZovSwiftUIViewModifier::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) onAppear();
    return QObject::eventFilter(watched, event);
}

}  // namespace zerazov
