#pragma once
#include <mutex>

#include "ZeraZov/Core/Publishing/ScreenViewPublishing.h"

namespace zerazov::DI {

// Where the client and the screen-view integration meet the process-wide
// screen-view publisher, which a screen source that knows no client reports to.
class Container {
public:
    Container() = default;
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    // Filled on first use; later calls answer the same object.
    ScreenViewPublishing& screenViewPublisher();

private:
    // Several threads may ask first; the field is filled exactly once.
    std::once_flag screenViewOnce_;
    ScreenViewPublishing* screenViewPublisher_ = nullptr;
};

// The one container of the process.
Container& main();

}  // namespace zerazov::DI
