#pragma once
#include <mutex>
#include <utility>

#include "ZeraZov/Core/Publishing/ScreenViewPublishing.h"

namespace zerazov {

// The process-wide fan-out of screen views; the client notifies it after each
// "$screen" event it queues.
class ApplicationScreenViewPublisher final : public ScreenViewPublishing {
public:
    ApplicationScreenViewPublisher() = default;
    ApplicationScreenViewPublisher(const ApplicationScreenViewPublisher&) = delete;
    ApplicationScreenViewPublisher& operator=(const ApplicationScreenViewPublisher&) = delete;

    // Made on first use and never destroyed.
    static ApplicationScreenViewPublisher& shared() {
        static auto* publisher = new ApplicationScreenViewPublisher();
        return *publisher;
    }

    ZeraZovMulticastCallback<std::string>& onScreenView() override { return onScreenView_; }
    void setAutoCaptureHandler(AutoCaptureHandler handler) override {
        AutoCaptureHandler replaced;  // let go of the old one's captures outside the lock
        std::lock_guard guard(handlerLock_);
        replaced = std::exchange(autoCaptureHandler_, std::move(handler));
    }
    AutoCaptureHandler autoCaptureHandler() const override {
        std::lock_guard guard(handlerLock_);
        return autoCaptureHandler_;
    }

private:
    ZeraZovMulticastCallback<std::string> onScreenView_;
    mutable std::mutex handlerLock_;  // guards autoCaptureHandler_
    AutoCaptureHandler autoCaptureHandler_;
};

}  // namespace zerazov
