#pragma once
#include <gtest/gtest.h>

#include <optional>

#include "tests/EndToEnd/DesktopSession.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/X11WindowTree.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {

// A test on a private X server with two 1920 x 1080 displays side by side,
// the first primary, with the clients that drive it as a person would and
// watch its windows and pointer. Skipped (or failed, where an X server is
// required) when the server does not start.
struct TwoDisplayDesktop : ::testing::Test {
    void SetUp() override {
        if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
            TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
        }
        session.emplace(server.displayName());
        tree.emplace(server.displayName());
        observer.emplace(server.displayName());
    }

    XorgDummyServer server;
    std::optional<DesktopSession> session;
    std::optional<X11WindowTree> tree;
    std::optional<X11Observer> observer;
};

}  // namespace tessivar::testing
