#pragma once
#include <optional>

#include <gtest/gtest.h>

#include "Platform/Testing/FakeKeyboardLayout.h"
#include "tests/support/ScratchHotkeysRegistry.h"

namespace tessivar::testing {

// A fake US keyboard layout, seen by the package through a registry of the
// test's own.
class LayoutFixture : public ::testing::Test {
protected:
    // The package with no layout at all.
    void useNoLayout() { registry.emplace(nullptr); }

    platform::FakeKeyboardLayout layout;
    std::optional<ScratchHotkeysRegistry> registry{std::in_place, &layout};
};

}  // namespace tessivar::testing
