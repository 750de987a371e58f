#pragma once
#include <string>

#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"

namespace zerazov {

// The fan-out of recorded screen names as the client and the screen-view
// integration reach it.
class ScreenViewPublishing {
public:
    using AutoCaptureHandler = std::function<void(const std::string& screenName)>;

    virtual ~ScreenViewPublishing() = default;
    virtual ZeraZovMulticastCallback<std::string>& onScreenView() = 0;
    // What an automatic screen source would call; nothing on this platform calls
    // it, but the screen-view integration still installs and clears it.
    virtual void setAutoCaptureHandler(AutoCaptureHandler handler) = 0;
    virtual AutoCaptureHandler autoCaptureHandler() const = 0;
};

}  // namespace zerazov
