#pragma once
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {

// A test suite's own X server whose keymap the tests switch with setxkbmap.
// Every test starts from the server's own US keymap.
class KeyboardServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static const std::string& display() { return server_->displayName(); }
    // Runs setxkbmap on the suite's server with `arguments`; fails the test when it does not succeed.
    static void setKeymap(const std::string& arguments);

private:
    static std::unique_ptr<XorgDummyServer> server_;
    static platform::Failure startError_;
};

}  // namespace tessivar::testing
