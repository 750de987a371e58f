#include "ZeraZov/Core/Utilities/DIContainer.h"

#include "ZeraZov/Core/Publishing/Private/ApplicationScreenViewPublisher.h"

namespace zerazov::DI {

ScreenViewPublishing& Container::screenViewPublisher() {
    std::call_once(screenViewOnce_, [this] { screenViewPublisher_ = &ApplicationScreenViewPublisher::shared(); });
    return *screenViewPublisher_;
}

Container& main() {
    static auto* container = new Container();
    return *container;
}

}  // namespace zerazov::DI
