#include "ZeraZov/Core/Publishing/Private/ApplicationScreenViewPublisher.h"

#include <utility>

namespace zerazov {

ApplicationScreenViewPublisher& ApplicationScreenViewPublisher::shared() {
    static auto* publisher = new ApplicationScreenViewPublisher();
    return *publisher;
}

void ApplicationScreenViewPublisher::setAutoCaptureHandler(AutoCaptureHandler handler) {
    AutoCaptureHandler replaced;  // let go of the old one's captures outside the lock
    std::lock_guard guard(handlerLock_);
    replaced = std::exchange(autoCaptureHandler_, std::move(handler));
}

ScreenViewPublishing::AutoCaptureHandler ApplicationScreenViewPublisher::autoCaptureHandler() const {
    std::lock_guard guard(handlerLock_);
    return autoCaptureHandler_;
}

}  // namespace zerazov
