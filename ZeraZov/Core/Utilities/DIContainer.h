#pragma once
#include <mutex>

#include "ZeraZov/Core/Publishing/AppLifecyclePublishing.h"
#include "ZeraZov/Core/Publishing/ScreenViewPublishing.h"

namespace zerazov::DI {

// Where the client, the session manager and the integrations meet the same
// process-wide publishers.
class Container {
public:
    Container() = default;
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    // Filled on first use; later calls answer the same object.
    AppLifecyclePublishing& appLifecyclePublisher();
    ScreenViewPublishing& screenViewPublisher();

private:
    // Several threads may ask first; each field is filled exactly once.
    std::once_flag appLifecycleOnce_;
    AppLifecyclePublishing* appLifecyclePublisher_ = nullptr;
    std::once_flag screenViewOnce_;
    ScreenViewPublishing* screenViewPublisher_ = nullptr;
};

// The one container of the process.
Container& main();

}  // namespace zerazov::DI
