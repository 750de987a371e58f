#pragma once
#include <gtest/gtest.h>

#include "Hotkeys/Registry.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeHotKeyService.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "Platform/Testing/FakeMenuKeyMonitor.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace tessivar::testing {

// The shortcut package's services for a whole test program, and a registry on
// them. A test that needs the package to itself makes a registry of its own,
// which is the one in use while it lives.
class HotkeysTestEnvironment : public ::testing::Environment {
public:
    // The package to one test: a registry on the program's settings, with a
    // hot-key service of its own.
    struct OwnRegistry {
        OwnRegistry() : registry(instance().environment(&service)) {}
        platform::FakeHotKeyService service;
        hotkeys::Registry registry;
    };

    static HotkeysTestEnvironment& instance();
    hotkeys::Environment environment(platform::HotKeyService* hotKeys) {
        return {defaults, notifications, &queue, hotKeys, &layout, &monitor};
    }

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults;
    platform::NotificationCenter notifications;
    platform::ManualMainQueue queue;
    platform::FakeHotKeyService service;
    platform::FakeKeyboardLayout layout;
    platform::FakeMenuKeyMonitor monitor;
    hotkeys::Registry registry{environment(&service)};

private:
    HotkeysTestEnvironment();
};

}  // namespace tessivar::testing
