#pragma once
#include <gtest/gtest.h>

#include "Hotkeys/Hotkeys.h"
#include "Platform/Testing/FakeKeyboardLayout.h"

namespace tessivar::testing {

// Installs a fake US keyboard layout as the package's layout for one test and
// takes it away again afterwards.
class LayoutFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Hotkeys::Environment environment;
        environment.keyboardLayout = &layout;
        Hotkeys::setEnvironment(environment);
    }
    void TearDown() override { Hotkeys::setEnvironment({}); }

    platform::FakeKeyboardLayout layout;
};

}  // namespace tessivar::testing
