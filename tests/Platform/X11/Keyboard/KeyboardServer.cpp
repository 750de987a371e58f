#include "KeyboardServer.h"

#include <chrono>

#include "tests/support/ShellCommand.h"
#include "tests/support/X11Requirement.h"

namespace tessivar::testing {

std::unique_ptr<XorgDummyServer> KeyboardServerTest::server_;
platform::Failure KeyboardServerTest::startError_;

void KeyboardServerTest::SetUpTestSuite() {
    server_ = std::make_unique<XorgDummyServer>();
    startError_ = server_->start({{1024, 768, 0, 0}});
}

void KeyboardServerTest::TearDownTestSuite() { server_.reset(); }

void KeyboardServerTest::SetUp() {
    if (startError_) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*startError_);
}

void KeyboardServerTest::TearDown() {
    if (!startError_) setKeymap("-rules base -layout us");
}

void KeyboardServerTest::setKeymap(const std::string& arguments) {
    const auto result =
        runShellCommand("setxkbmap -display " + shellQuoted(display()) + " " + arguments, std::chrono::seconds(20));
    ASSERT_TRUE(result.succeeded()) << "setxkbmap " << arguments << ": " << result.output;
}

}  // namespace tessivar::testing
