#include "Hotkeys/CarbonHotkeys.h"
#include "HotkeysFixture.h"

using hotkeys::CarbonHotkeys;
using hotkeys::Name;
using hotkeys::Shortcut;
using platform::KeyboardEvent;

namespace {

class HotKeyService : public HotkeysFixture {
protected:
    void count(const Name& name, int& presses) {
        hotkeys::onKeyDown(name, [&presses] { ++presses; });
    }
    static KeyboardEvent hotKeyEvent(std::uint32_t signature, std::uint32_t id) {
        KeyboardEvent event;
        event.kind = platform::kEventHotKeyPressed;
        event.hotKeyID = platform::EventHotKeyID{signature, id};
        return event;
    }
};

TEST_F(HotKeyService, TheFirstRegistrationGetsIdOneAndInstallsTheHandler) {
    EXPECT_TRUE(registry->hotKeys().registerHotKey(optionDigit(1), {}, {}));
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "install", "monitor stop", "add 5 6"}));
    EXPECT_TRUE(service.isKindAdded(platform::kEventHotKeyPressed));
    EXPECT_TRUE(service.isKindAdded(platform::kEventHotKeyReleased));

    EXPECT_TRUE(registry->hotKeys().registerHotKey(optionDigit(2), {}, {}));
    EXPECT_EQ(takeCalls(), Calls{"register 19 2048 SSKS 2"}) << "the handler's kinds are left alone";
}

TEST_F(HotKeyService, ARefusedRegistrationPrintsTheErrorUsesUpItsIdAndDoesNotCount) {
    service.refuseKey(18, platform::eventHotKeyExistsErr);
    int presses = 0;
    std::optional<Name> refused;

    EXPECT_EQ(printedBy([&] { refused.emplace("first", optionDigit(1)); }), "Error registering hotkey ⌥1: -9878\n");
    EXPECT_EQ(takeCalls(), Calls{"register 18 2048 SSKS 1"}) << "no handler without a hot key";
    EXPECT_FALSE(isRegistered(optionDigit(1)));
    EXPECT_FALSE(hotkeys::isEnabled(*refused));

    const Name second("second", optionDigit(2));
    EXPECT_EQ(takeCalls(), (Calls{"register 19 2048 SSKS 2", "install", "monitor stop", "add 5 6"}));

    count(*refused, presses);
    EXPECT_EQ(takeCalls(), Calls{"register 18 2048 SSKS 3"}) << "a later handler tries again";
    EXPECT_TRUE(hotkeys::isEnabled(*refused));
    press(optionDigit(1));
    EXPECT_EQ(presses, 1);
}

TEST_F(HotKeyService, AFailedHandlerInstallIsRetriedWithTheNextRegistration) {
    service.refuseInstall(-108);
    const Name first("first", optionDigit(1));
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "install"}));

    const Name second("second", optionDigit(2));
    EXPECT_EQ(takeCalls(), (Calls{"register 19 2048 SSKS 2", "install", "monitor stop", "add 5 6"}));
    int presses = 0;
    count(first, presses);
    press(optionDigit(1));
    EXPECT_EQ(presses, 1);
}

class MenuOpen : public HotKeyService {
protected:
    MenuOpen() {
        for (int i = 0; i < 3; ++i) count(names[i], presses[i]);
        takeCalls();
        openMenu();
    }
    Name names[3]{{"first", optionDigit(1)}, {"second", optionDigit(2)}, {"third", optionDigit(3)}};
    int presses[3]{};
};

TEST_F(MenuOpen, TheHotKeysAreReleasedAndTheMonitorTakesOver) {
    EXPECT_TRUE(hotkeys::isMenuOpen());
    EXPECT_EQ(takeCalls(), (Calls{"unregister 1", "unregister 2", "unregister 3", "remove 5 6", "monitor start"}));
    EXPECT_EQ(service.grabCount(), 0u);
    EXPECT_EQ(hotkeys::registeredShortcuts().size(), 3u) << "the records stay";

    openMenu();
    EXPECT_EQ(takeCalls(), Calls{}) << "already open";
}

TEST_F(MenuOpen, AKeyForAHotKeyRunsItsHandlersOnceAndIsConsumed) {
    EXPECT_EQ(feedMenuKey(platform::kEventRawKeyDown, 19, kOption), true);
    EXPECT_EQ(feedMenuKey(platform::kEventRawKeyUp, 19, kOption), true);
    EXPECT_EQ((std::vector<int>{presses[0], presses[1], presses[2]}), (std::vector<int>{0, 1, 0}));

    EXPECT_EQ(feedMenuKey(platform::kEventRawKeyDown, 19, 0), false) << "the menu keeps its own keys";
    EXPECT_EQ(feedMenuKey(platform::kEventRawKeyRepeat, 19, kOption), false);
    EXPECT_EQ(presses[1], 1);
}

TEST_F(MenuOpen, CapsLockDoesNotStopAKeyFromMatching) {
    const std::uint32_t capsLock = 0x400;
    EXPECT_EQ(feedMenuKey(platform::kEventRawKeyDown, 20, kOption | capsLock), true);
    EXPECT_EQ(presses[2], 1);
}

TEST_F(MenuOpen, ClosingRegistersTheHotKeysAgainUnderTheirOldIds) {
    takeCalls();
    closeMenu();

    EXPECT_FALSE(hotkeys::isMenuOpen());
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "register 19 2048 SSKS 2", "register 20 2048 SSKS 3",
                                  "monitor stop", "add 5 6"}));
    EXPECT_FALSE(monitor.isRunning());
    press(optionDigit(3));
    EXPECT_EQ(presses[2], 1);
}

TEST_F(MenuOpen, AHotKeyRefusedAfterClosingIsDroppedAndNoLongerCounts) {
    service.refuseKey(19, platform::eventHotKeyExistsErr);
    takeCalls();

    EXPECT_EQ(printedBy([&] { closeMenu(); }), "Error registering hotkey ⌥2: -9878\n");
    EXPECT_FALSE(isRegistered(optionDigit(2)));
    EXPECT_FALSE(hotkeys::isEnabled(names[1]));
    EXPECT_TRUE(hotkeys::isEnabled(names[0]));

    takeCalls();
    hotkeys::enable({names[1]});
    EXPECT_EQ(takeCalls(), Calls{"register 19 2048 SSKS 4"});
    press(optionDigit(2));
    EXPECT_EQ(presses[1], 1);
}

// A combination another program holds is refused at every try of a run: when
// its name stores the default, when the handler is added, after a menu, when
// it is saved again. Each distinct refusal is printed once.
TEST_F(HotKeyService, EachDistinctRefusalIsPrintedOncePerRun) {
    platform::EventHotKeyRef held = 0;
    for (const std::uint32_t keyCode : {18u, 19u}) {
        ASSERT_EQ(service.registerHotKey(keyCode, kOption, {0x4F544852, keyCode}, &held), platform::noErr)
            << "another program takes it first";
    }
    service.refuseKey(20, platform::eventHotKeyInvalidErr);
    std::vector<Name> names;
    int presses = 0;

    EXPECT_EQ(printedBy([&] {
                  for (int i = 1; i <= 3; ++i) names.emplace_back(std::to_string(i), optionDigit(i));
                  for (const Name& name : names) count(name, presses);
                  openMenu();
                  closeMenu();
                  hotkeys::saveShortcut(optionDigit(1), names[0]);
              }),
              "Error registering hotkey ⌥1: -9878\n"
              "Error registering hotkey ⌥2: -9878\n"
              "Error registering hotkey ⌥3: -9879\n");
    EXPECT_EQ(press(optionDigit(3)), platform::noErr) << "a refused first try does not stop the later ones";
    EXPECT_EQ(presses, 1);

    service.refuseKey(20, platform::eventHotKeyExistsErr);
    EXPECT_EQ(printedBy([&] { hotkeys::saveShortcut(optionDigit(3), names[2]); }),
              "Error registering hotkey ⌥3: -9878\n")
        << "another status is another failure";

    restart();
    EXPECT_EQ(printedBy([&] { hotkeys::enable({Name("1")}); }), "Error registering hotkey ⌥1: -9878\n")
        << "the next run reports it again";
}

TEST_F(HotKeyService, EventsThatAreNotOursAreNotHandled) {
    int presses = 0;
    const Name name("name", optionDigit(1));
    count(name, presses);

    EXPECT_EQ(service.deliver(hotKeyEvent(0x41424344, 1)), platform::eventNotHandledErr) << "another signature";
    EXPECT_EQ(service.deliver(hotKeyEvent(CarbonHotkeys::kSignature, 7)), platform::eventNotHandledErr)
        << "an unknown id";
    KeyboardEvent withoutId;
    withoutId.kind = platform::kEventHotKeyPressed;
    EXPECT_EQ(service.deliver(withoutId), platform::eventParameterNotFoundErr);
    KeyboardEvent rawWithoutKeyCode;
    rawWithoutKeyCode.kind = platform::kEventRawKeyDown;
    rawWithoutKeyCode.modifiers = kOption;
    EXPECT_EQ(registry->hotKeys().handleEvent(rawWithoutKeyCode), platform::eventParameterNotFoundErr);
    KeyboardEvent otherKind = hotKeyEvent(CarbonHotkeys::kSignature, 1);
    otherKind.kind = platform::kEventRawKeyModifiersChanged;
    EXPECT_EQ(registry->hotKeys().handleEvent(otherKind), platform::eventNotHandledErr);
    EXPECT_EQ(presses, 0);

    EXPECT_EQ(service.deliver(hotKeyEvent(CarbonHotkeys::kSignature, 1)), platform::noErr);
    EXPECT_EQ(presses, 1);
}

// Only an edited record can hold such values: no key has them (cut down to 32
// bits they would grab some other key), so the record reads as one that cannot
// be read, reported once, and the service never sees it.
TEST_F(HotKeyService, KeyCodesAndMasksNoKeyHasReadAsUnreadableRecords) {
    const std::vector<std::string> records{
        "{\"carbonKeyCode\":4294967314,\"carbonModifiers\":2048}",
        "{\"carbonKeyCode\":18,\"carbonModifiers\":4294969344}",
        "{\"carbonKeyCode\":-1,\"carbonModifiers\":2048}",
        "{\"carbonKeyCode\":18,\"carbonModifiers\":-2048}",
        "{\"carbonKeyCode\":128,\"carbonModifiers\":2048}",
        // Every bit of the service's width, most of which no modifier has.
        "{\"carbonKeyCode\":19,\"carbonModifiers\":4294967295}",
    };
    const Name name("edited");
    for (const std::string& record : records) {
        SCOPED_TRACE(record);
        defaults.set(name.userDefaultsKey(), record);
        EXPECT_EQ(hotkeys::loadShortcut(name), std::nullopt);
        EXPECT_EQ(printedBy([&] { hotkeys::onKeyDown(name, [] {}); }), "");
        EXPECT_EQ(takeCalls(), Calls{}) << "the service never sees it";
        EXPECT_FALSE(hotkeys::isEnabled(name));
        hotkeys::removeHandler(name);
    }
}

// Control, option, shift, command and function at once: every modifier bit a shortcut holds.
TEST_F(HotKeyService, TheLastKeyCodeAndTheWidestMaskStillReachTheService) {
    const Name name("edited");
    defaults.set(name.userDefaultsKey(), "{\"carbonKeyCode\":127,\"carbonModifiers\":137984}");

    hotkeys::onKeyDown(name, [] {});

    EXPECT_EQ(takeCalls(), (Calls{"register 127 137984 SSKS 1", "install", "monitor stop", "add 5 6"}));
    EXPECT_TRUE(hotkeys::isEnabled(name));
}

}  // namespace
