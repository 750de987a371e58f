#include "HotkeysFixture.h"

using hotkeys::Name;
using hotkeys::Shortcut;

namespace {

class Registry : public HotkeysFixture {
protected:
    // Adds a key-down handler that writes `label` into `ran`.
    void record(const Name& name, const std::string& label) {
        hotkeys::onKeyDown(name, [this, label] { ran.push_back(label); });
    }
    std::vector<std::string> ran;
};

TEST_F(Registry, TwoNamesStoringOneShortcutShareOneHotKeyAndOnePressRunsBoth) {
    const Name first("first", optionDigit(1));
    const Name second("second", optionDigit(1));
    record(first, "first 1");
    record(second, "second");
    record(first, "first 2");

    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "install", "monitor stop", "add 5 6"}));
    EXPECT_EQ(press(optionDigit(1)), platform::noErr);
    EXPECT_EQ(ran, (std::vector<std::string>{"first 1", "first 2", "second"}));
}

TEST_F(Registry, KeyUpHandlersRunOnRelease) {
    const Name name("name", optionDigit(1));
    record(name, "down");
    hotkeys::onKeyUp(name, [this] { ran.push_back("up"); });

    press(optionDigit(1));
    release(optionDigit(1));

    EXPECT_EQ(ran, (std::vector<std::string>{"down", "up"}));
}

TEST_F(Registry, AChangedRecordReachesTheHandlersThroughTheNewShortcutOnly) {
    const Name name("name", optionDigit(1));
    record(name, "name");
    takeCalls();

    hotkeys::setShortcut(optionDigit(2), name);
    EXPECT_EQ(takeCalls(), (Calls{"unregister 1", "register 19 2048 SSKS 2"}));
    EXPECT_EQ(press(optionDigit(1)), std::nullopt) << "nobody holds the old combination";
    EXPECT_EQ(press(optionDigit(2)), platform::noErr);
    EXPECT_EQ(ran, std::vector<std::string>{"name"});
}

TEST_F(Registry, ThePressReadsEachNamesRecordAtThatMoment) {
    const Name first("first", optionDigit(1));
    const Name second("second", optionDigit(1));
    record(first, "first");
    record(second, "second");
    press(optionDigit(1));
    ASSERT_EQ(ran, (std::vector<std::string>{"first", "second"}));
    ran.clear();

    // Edited behind the package's back, after a press has read both records.
    defaults.set(second.userDefaultsKey(), optionDigit(2).encoded());
    press(optionDigit(1));
    EXPECT_EQ(ran, std::vector<std::string>{"first"});

    // And back: the text read before decides again.
    ran.clear();
    defaults.set(second.userDefaultsKey(), optionDigit(1).encoded());
    press(optionDigit(1));
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
}

TEST_F(Registry, AHandlerForANameWithoutAShortcutWaitsForOne) {
    const Name name("name");
    record(name, "name");
    EXPECT_EQ(takeCalls(), Calls{});
    EXPECT_FALSE(hotkeys::isEnabled(name));

    hotkeys::setShortcut(optionDigit(4), name);
    press(optionDigit(4));

    EXPECT_EQ(ran, std::vector<std::string>{"name"});
}

// Names that store one shortcut share its hot key: one of them letting go
// must not silence the others.
class SharedShortcut : public Registry {
protected:
    SharedShortcut() {
        record(first, "first");
        record(second, "second");
        takeCalls();
    }
    void expectOnlySecondStillRuns() {
        EXPECT_EQ(takeCalls(), Calls{}) << "the shared hot key stays";
        EXPECT_TRUE(hotkeys::isEnabled(second));
        ran.clear();
        EXPECT_EQ(press(optionDigit(1)), platform::noErr);
        EXPECT_EQ(ran, std::vector<std::string>{"second"});
    }
    Name first{"first", optionDigit(1)};
    Name second{"second", optionDigit(1)};
};

TEST_F(SharedShortcut, RemovingOneNamesHandlersKeepsTheOthersRunning) {
    hotkeys::removeHandler(first);
    expectOnlySecondStillRuns();
}

TEST_F(SharedShortcut, SavingAnotherShortcutForOneNameKeepsTheSharedOne) {
    hotkeys::setShortcut(optionDigit(2), first);
    EXPECT_EQ(takeCalls(), Calls{"register 19 2048 SSKS 2"});
    expectOnlySecondStillRuns();
}

TEST_F(SharedShortcut, ClearingOneNameKeepsTheSharedOne) {
    hotkeys::setShortcut(std::nullopt, first);
    expectOnlySecondStillRuns();
}

TEST_F(SharedShortcut, ResettingOneNameKeepsTheSharedOne) {
    hotkeys::reset({Name("first")});
    EXPECT_FALSE(hotkeys::hasStoredValue(first));
    expectOnlySecondStillRuns();
}

TEST_F(SharedShortcut, TheLastNameLettingGoUnregistersIt) {
    hotkeys::removeHandler(first);
    hotkeys::removeHandler(second);
    EXPECT_EQ(takeCalls(), Calls{"unregister 1"});
    EXPECT_FALSE(isRegistered(optionDigit(1)));
}

TEST_F(SharedShortcut, ALiveStreamKeepsItWhenTheHandlersGo) {
    const auto stream = hotkeys::events(second, [](hotkeys::EventType) {});
    mainQueue.drain();

    hotkeys::removeAllHandlers();

    EXPECT_EQ(takeCalls(), Calls{});
    EXPECT_TRUE(isGrabbed(optionDigit(1)));
}

TEST_F(Registry, RemovingAllHandlersUnregistersTheirShortcuts) {
    const Name first("first", optionDigit(1));
    const Name second("second", optionDigit(2));
    record(first, "first");
    hotkeys::onKeyUp(second, [] {});
    takeCalls();

    hotkeys::removeAllHandlers();

    EXPECT_EQ(takeCalls(), (Calls{"unregister 1", "unregister 2"}));
    EXPECT_EQ(press(optionDigit(1)), std::nullopt);
}

TEST_F(Registry, AHandlerMayRemoveItsOwnNameWhileItRuns) {
    const Name name("name", optionDigit(1));
    hotkeys::onKeyDown(name, [&] {
        ran.push_back("once");
        hotkeys::removeHandler(name);
    });

    EXPECT_EQ(press(optionDigit(1)), platform::noErr);
    EXPECT_EQ(press(optionDigit(1)), std::nullopt);
    EXPECT_EQ(ran, std::vector<std::string>{"once"});
}

TEST_F(Registry, EnableAndDisableRegisterAndUnregisterTheStoredShortcuts) {
    const Name first("first", optionDigit(1));
    const Name nothingStored("nothing");
    takeCalls();

    hotkeys::disable({first, nothingStored});
    EXPECT_EQ(takeCalls(), Calls{"unregister 1"});
    EXPECT_FALSE(hotkeys::isEnabled(first));

    hotkeys::disable({first});
    EXPECT_EQ(takeCalls(), Calls{}) << "nothing left to unregister";

    hotkeys::enable({nothingStored, first});
    EXPECT_EQ(takeCalls(), Calls{"register 18 2048 SSKS 2"});
    EXPECT_TRUE(hotkeys::isEnabled(first));
}

TEST_F(Registry, IsEnabledForANameFollowsTheGlobalFlagAndItsShortcut) {
    const Name name("name", optionDigit(1));
    EXPECT_TRUE(hotkeys::isEnabled(name));

    hotkeys::setEnabled(false);
    EXPECT_FALSE(hotkeys::isEnabled(name));
    hotkeys::setEnabled(true);
    EXPECT_TRUE(hotkeys::isEnabled(name));

    hotkeys::setShortcut(std::nullopt, name);
    EXPECT_FALSE(hotkeys::isEnabled(name));
}

TEST_F(Registry, SettingTheGlobalFlagToItsValueLeavesTheServiceAlone) {
    const Name name("name", optionDigit(1));
    takeCalls();

    hotkeys::setEnabled(true);
    EXPECT_EQ(takeCalls(), Calls{});

    hotkeys::setEnabled(false);
    EXPECT_EQ(takeCalls(), (Calls{"unregister 1", "remove 5 6", "monitor stop"}));
    hotkeys::setEnabled(false);
    EXPECT_EQ(takeCalls(), Calls{});

    hotkeys::setEnabled(true);
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "monitor stop", "add 5 6"}));
}

TEST_F(Registry, DisabledBeforeTheFirstRegistrationTheHotKeyIsReleasedAtOnce) {
    hotkeys::setEnabled(false);
    EXPECT_EQ(takeCalls(), Calls{}) << "no handler yet, nothing to tell the service";

    const Name name("name", optionDigit(1));
    record(name, "name");

    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "install", "unregister 1", "remove 5 6", "monitor stop"}));
    EXPECT_FALSE(isGrabbed(optionDigit(1)));
    EXPECT_FALSE(service.isKindAdded(platform::kEventHotKeyPressed));
    EXPECT_TRUE(isRegistered(optionDigit(1))) << "the record waits for re-enabling";

    hotkeys::setEnabled(true);
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "monitor stop", "add 5 6"}));
    press(optionDigit(1));
    EXPECT_EQ(ran, std::vector<std::string>{"name"});
}

class Paused : public Registry {
protected:
    Paused() {
        record(name, "handler");
        stream = hotkeys::events(name, [this](hotkeys::EventType) { ran.push_back("stream"); });
        mainQueue.drain();
        takeCalls();
        EXPECT_TRUE(hotkeys::pause(&recorder));
    }
    Name name{"name", optionDigit(1)};
    hotkeys::EventStream stream;
    int recorder = 0;
    int otherRecorder = 0;
};

TEST_F(Paused, HotKeysAreReleasedAndNothingIsDispatched) {
    EXPECT_TRUE(hotkeys::isPaused());
    EXPECT_EQ(takeCalls(), (Calls{"unregister 1", "remove 5 6", "monitor stop"}));
    EXPECT_FALSE(isGrabbed(optionDigit(1)));

    hotkeys::handleKeyDown(optionDigit(1));
    hotkeys::handleKeyUp(optionDigit(1));
    EXPECT_TRUE(ran.empty());
}

TEST_F(Paused, OnlyThePausingOwnerResumes) {
    takeCalls();
    EXPECT_FALSE(hotkeys::pause(&otherRecorder));
    hotkeys::resume(&otherRecorder);
    EXPECT_TRUE(hotkeys::isPaused());
    EXPECT_EQ(takeCalls(), Calls{});

    hotkeys::resume(&recorder);
    EXPECT_FALSE(hotkeys::isPaused());
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "monitor stop", "add 5 6"}));
    press(optionDigit(1));
    EXPECT_EQ(ran, (std::vector<std::string>{"handler", "stream"}));
}

TEST_F(Paused, AMenuOpeningMeanwhileLeavesTheKeysToTheRecorder) {
    takeCalls();
    openMenu();
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(feedMenuKey(platform::kEventRawKeyDown, 18, kOption), std::nullopt);
    closeMenu();
    EXPECT_FALSE(isGrabbed(optionDigit(1)));
    EXPECT_TRUE(ran.empty());
}

class Streams : public Registry {
protected:
    hotkeys::EventStream listen(const Name& name) {
        return hotkeys::events(name, [this](hotkeys::EventType type) {
            ran.push_back(type == hotkeys::EventType::keyDown ? "down" : "up");
        });
    }
};

TEST_F(Streams, AStreamHearsPressesAndReleasesFromTheNextTurnOn) {
    const Name name("name");
    defaults.set(name.userDefaultsKey(), optionDigit(1).encoded());
    const auto stream = listen(name);
    EXPECT_EQ(takeCalls(), Calls{}) << "the subscription waits for the main queue";

    mainQueue.drain();
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "install", "monitor stop", "add 5 6"}));
    press(optionDigit(1));
    release(optionDigit(1));

    EXPECT_EQ(ran, (std::vector<std::string>{"down", "up"}));
}

TEST_F(Streams, AFilteredStreamHearsOnlyItsType) {
    const Name name("name", optionDigit(1));
    const auto releases = hotkeys::events(hotkeys::EventType::keyUp, name, [this](hotkeys::EventType type) {
        ran.push_back(type == hotkeys::EventType::keyUp ? "up" : "down");
    });
    const auto all = listen(name);
    mainQueue.drain();

    press(optionDigit(1));
    release(optionDigit(1));

    EXPECT_EQ(ran, (std::vector<std::string>{"down", "up", "up"}));
}

TEST_F(Streams, TheLastStreamEndingUnregistersAnUnusedShortcut) {
    const Name name("name", optionDigit(1));
    auto stream = listen(name);
    mainQueue.drain();
    takeCalls();

    stream.reset();
    EXPECT_EQ(takeCalls(), Calls{}) << "the removal waits for the main queue";
    mainQueue.drain();

    EXPECT_EQ(takeCalls(), Calls{"unregister 1"});
    EXPECT_EQ(press(optionDigit(1)), std::nullopt);
    EXPECT_TRUE(ran.empty());
}

TEST_F(Streams, AStreamMadeAndDroppedInOneTurnLeavesNothingBehind) {
    const Name name("name", optionDigit(1));
    record(name, "handler");
    takeCalls();

    listen(name).reset();
    mainQueue.drain();
    EXPECT_EQ(mainQueue.pendingCount(), 0u);
    EXPECT_EQ(takeCalls(), Calls{}) << "the handler still needs the hot key";

    hotkeys::removeHandler(name);
    EXPECT_EQ(takeCalls(), Calls{"unregister 1"}) << "no stream entry is left to hold the hot key";
}

}  // namespace
