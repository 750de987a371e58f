// Every test program of the application shares one shortcut-package environment
// for the whole run: the display shortcut names are created once per process,
// and they must never write to the user's real settings.
#include <gtest/gtest.h>

#include "HotkeysTestEnvironment.h"

namespace tessivar::testing {

HotkeysTestEnvironment& HotkeysTestEnvironment::instance() {
    static HotkeysTestEnvironment* environment = [] {
        auto* created = new HotkeysTestEnvironment;
        ::testing::AddGlobalTestEnvironment(created);
        return created;
    }();
    return *environment;
}

HotkeysTestEnvironment::HotkeysTestEnvironment() : defaults(directory.path() / "hotkeys-defaults.json") {}

// Installed before main runs any test.
const bool kInstalled = (HotkeysTestEnvironment::instance(), true);

}  // namespace tessivar::testing
