#pragma once
#include <gtest/gtest.h>

#include "Hotkeys/Hotkeys.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeHotKeyService.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "Platform/Testing/FakeMenuKeyMonitor.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace tessivar::testing {

class HotkeysTestEnvironment : public ::testing::Environment {
public:
    static HotkeysTestEnvironment& instance();
    void TearDown() override;

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults;
    platform::NotificationCenter notifications;
    platform::ManualMainQueue queue;
    platform::FakeHotKeyService service;
    platform::FakeKeyboardLayout layout;
    platform::FakeMenuKeyMonitor monitor;

private:
    HotkeysTestEnvironment();
};

}  // namespace tessivar::testing
