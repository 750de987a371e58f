#pragma once
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Registry.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeHotKeyService.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "Platform/Testing/FakeMenuKeyMonitor.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"

// The shortcut package on fakes: user defaults in a temporary file, its own
// notification center and main queue, a hot-key service and menu key monitor
// that write into one call list, and a US keyboard layout. Every case has a
// registry of its own.
class HotkeysFixture : public ::testing::Test {
protected:
    using Calls = std::vector<std::string>;

    static constexpr std::uint32_t kOption = 2048;

    HotkeysFixture();
    ~HotkeysFixture() override;

    static hotkeys::Shortcut optionDigit(int digit);
    // The service's calls since the last look.
    Calls takeCalls() { return service.takeCalls(); }
    // What the action printed to standard output.
    static std::string printedBy(const std::function<void()>& action);

    void openMenu() { notifications.post(platform::kMenuDidBeginTrackingNotification); }
    void closeMenu() { notifications.post(platform::kMenuDidEndTrackingNotification); }
    std::optional<platform::OSStatus> press(const hotkeys::Shortcut& shortcut);
    std::optional<platform::OSStatus> release(const hotkeys::Shortcut& shortcut);
    // A key as an open menu receives it.
    std::optional<bool> feedMenuKey(std::uint32_t kind, std::uint32_t keyCode, std::uint32_t modifiers);
    bool isGrabbed(const hotkeys::Shortcut& shortcut) const;
    bool isRegistered(const hotkeys::Shortcut& shortcut) const;
    // Ends this run of the package and starts the next on the same services,
    // as quitting and launching the program again would.
    void restart();

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::NotificationCenter notifications;
    platform::ManualMainQueue mainQueue;
    platform::FakeHotKeyService service;
    platform::FakeMenuKeyMonitor monitor{&service.calls()};
    platform::FakeKeyboardLayout layout;
    // The user info of every "Hotkeys_shortcutByNameDidChange" posted.
    std::vector<nlohmann::json> changes;
    std::optional<hotkeys::Registry> registry;

private:
    platform::ObserverTokenPtr changeObserver_;
};
