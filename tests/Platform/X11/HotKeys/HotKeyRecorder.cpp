#include "tests/Platform/X11/HotKeys/HotKeyRecorder.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>

namespace tessivar::testing {

bool pumpUntil(platform::X11HotKeyService& service, const std::function<bool()>& condition,
               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        service.processPendingEvents();
        if (condition()) return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd connection{service.connectionNumber(), POLLIN, 0};
        poll(&connection, 1, static_cast<int>(left.count()));
    }
}

HotKeyRecorder::HotKeyRecorder(platform::X11HotKeyService& service) {
    EXPECT_EQ(service.installEventHandler(
                  [this](const platform::KeyboardEvent& event) {
                      seen_.push_back({event.kind, event.hotKeyID ? event.hotKeyID->id : 0});
                      return platform::eventNotHandledErr;  // handlers installed later see it too
                  },
                  &handler_),
              platform::noErr);
    EXPECT_EQ(service.addEventTypes(handler_, {{platform::kEventClassKeyboard, platform::kEventHotKeyPressed},
                                               {platform::kEventClassKeyboard, platform::kEventHotKeyReleased}}),
              platform::noErr);
}

bool HotKeyRecorder::hasSeen(const SeenHotKey& event) const {
    return std::find(seen_.begin(), seen_.end(), event) != seen_.end();
}

std::vector<SeenHotKey> HotKeyRecorder::seenExcept(std::uint32_t id) const {
    std::vector<SeenHotKey> rest;
    std::copy_if(seen_.begin(), seen_.end(), std::back_inserter(rest), [&](const SeenHotKey& e) { return e.id != id; });
    return rest;
}

}  // namespace tessivar::testing
