#include "ZeraZov/Core/Utilities/DIContainer.h"

#include "ZeraZov/Core/Publishing/Private/ApplicationLifecyclePublisher.h"
#include "ZeraZov/Core/Publishing/Private/ApplicationScreenViewPublisher.h"

namespace zerazov::DI {

AppLifecyclePublishing& Container::appLifecyclePublisher() {
    std::call_once(appLifecycleOnce_, [this] { appLifecyclePublisher_ = &ApplicationLifecyclePublisher::shared(); });
    return *appLifecyclePublisher_;
}

ScreenViewPublishing& Container::screenViewPublisher() {
    std::call_once(screenViewOnce_, [this] { screenViewPublisher_ = &ApplicationScreenViewPublisher::shared(); });
    return *screenViewPublisher_;
}

Container& main() {
    static auto* container = new Container();
    return *container;
}

}  // namespace zerazov::DI
