#include <fstream>

#include "HotkeysFixture.h"
#include "Platform/Testing/LogCapture.h"

using hotkeys::Name;
using hotkeys::Shortcut;
using nlohmann::json;

namespace {

class Storage : public HotkeysFixture {
protected:
    static constexpr const char* kKey = "Hotkeys_jumpToScreen1";
    // The user info of a change notice: the name as the writer was given it.
    static json changed(const std::string& name, const std::optional<Shortcut>& defaultShortcut = std::nullopt) {
        const json defaultText = defaultShortcut ? json(defaultShortcut->encoded()) : json();
        return json{{"name", {{"rawValue", name}, {"defaultShortcut", defaultText}}}};
    }
    static json changedJumpToScreen1() { return changed("jumpToScreen1", optionDigit(1)); }
    Name jumpToScreen1() { return Name("jumpToScreen1", optionDigit(1)); }
};

TEST_F(Storage, FirstConstructionStoresTheDefaultRegistersItAndPostsOnce) {
    std::vector<Shortcut> registeredWhenPosted;
    const auto observer = notifications.addObserver(
        hotkeys::kShortcutByNameDidChange, nullptr,
        [&](const platform::Notification&) { registeredWhenPosted = hotkeys::registeredShortcuts(); });

    const Name name = jumpToScreen1();

    EXPECT_EQ(defaults.object(kKey), json("{\"carbonKeyCode\":18,\"carbonModifiers\":2048}"));
    EXPECT_EQ(changes, std::vector<json>{changedJumpToScreen1()});
    EXPECT_EQ(takeCalls(), (Calls{"register 18 2048 SSKS 1", "install", "monitor stop", "add 5 6"}));
    EXPECT_EQ(registeredWhenPosted, std::vector<Shortcut>{optionDigit(1)}) << "observers see the new registration";
    EXPECT_EQ(hotkeys::getShortcut(name), optionDigit(1));
}

TEST_F(Storage, SecondConstructionChangesNothing) {
    jumpToScreen1();
    takeCalls();
    changes.clear();

    jumpToScreen1();

    EXPECT_EQ(takeCalls(), Calls{});
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(defaults.object(kKey), json("{\"carbonKeyCode\":18,\"carbonModifiers\":2048}"));
}

TEST_F(Storage, ClearingANameWithADefaultStoresFalseAndTheDefaultStaysAway) {
    const Name name = jumpToScreen1();
    takeCalls();
    changes.clear();

    hotkeys::setShortcut(std::nullopt, name);
    EXPECT_EQ(defaults.object(kKey), json(false));
    EXPECT_EQ(takeCalls(), Calls{"unregister 1"});
    EXPECT_EQ(changes, std::vector<json>{changedJumpToScreen1()});

    const Name again = jumpToScreen1();
    EXPECT_EQ(defaults.object(kKey), json(false));
    EXPECT_EQ(hotkeys::getShortcut(again), std::nullopt);
    EXPECT_EQ(takeCalls(), Calls{});
    EXPECT_TRUE(hotkeys::hasStoredValue(again));
}

TEST_F(Storage, DeletingTheRecordBringsTheDefaultBackAtTheNextConstruction) {
    jumpToScreen1();
    takeCalls();
    changes.clear();
    defaults.removeObject(kKey);

    const Name name = jumpToScreen1();

    EXPECT_EQ(hotkeys::getShortcut(name), optionDigit(1));
    EXPECT_EQ(defaults.object(kKey), json("{\"carbonKeyCode\":18,\"carbonModifiers\":2048}"));
    EXPECT_EQ(takeCalls(), Calls{}) << "the hot key is still registered from the first construction";
    EXPECT_EQ(changes, std::vector<json>{changedJumpToScreen1()});
}

TEST_F(Storage, ARecordLackingTheMaskReadsAsNoneAndKeepsTheDefaultAway) {
    defaults.set(kKey, "{\"carbonKeyCode\":18}");

    const Name name = jumpToScreen1();

    EXPECT_EQ(hotkeys::getShortcut(name), std::nullopt);
    EXPECT_EQ(defaults.object(kKey), json("{\"carbonKeyCode\":18}"));
    EXPECT_EQ(takeCalls(), Calls{});
    EXPECT_TRUE(changes.empty());
}

TEST_F(Storage, UnreadableRecordsReadAsNoShortcutAndRegisterNothing) {
    const std::vector<json> unreadable{
        json(false),
        json(18),
        json::object({{"carbonKeyCode", 18}, {"carbonModifiers", 2048}}),  // an object, not its text
        json("[18,2048]"),
        json("not json"),
        json("{\"carbonKeyCode\":\"18\",\"carbonModifiers\":2048}"),
        json("{\"carbonKeyCode\":18.5,\"carbonModifiers\":2048}"),
        json(std::string("{\"carbonKeyCode\":18,\"carbonModifiers\":2048,\"note\":\"\xff\"}")),
    };
    const Name name("custom");
    for (const json& record : unreadable) {
        SCOPED_TRACE(record.dump(-1, ' ', false, json::error_handler_t::replace));
        defaults.set("Hotkeys_custom", record);
        EXPECT_EQ(hotkeys::loadShortcut(name), std::nullopt);
        hotkeys::onKeyDown(name, [] {});
        hotkeys::removeHandler(name);
        EXPECT_EQ(takeCalls(), Calls{});
    }
}

// The dispatch reads every record at every key press, so a record that cannot
// be read is logged once per run, not once per press. Each row's name is its
// own, since a line written once in this process is never written again.
TEST_F(Storage, AnUnreadableRecordIsLoggedOnceAndARemovedOrMissingOneNotAtAll) {
    const std::string advice =
        ", so that shortcut is off. A shortcut is stored as JSON text, such as "
        "\"{\\\"carbonKeyCode\\\":18,\\\"carbonModifiers\\\":2048}\", or as false when removed";
    struct Row {
        std::string name;
        std::optional<json> stored;
        std::string logged;  // empty: nothing
    };
    const std::vector<Row> rows{
        {"asObject", json::object({{"carbonKeyCode", 19}, {"carbonModifiers", 2048}}),
         "[Hotkeys] \"Hotkeys_asObject\" holds a JSON object instead of text" + advice},
        {"asNumber", json(19), "[Hotkeys] \"Hotkeys_asNumber\" holds a JSON number instead of text" + advice},
        {"asTrue", json(true), "[Hotkeys] \"Hotkeys_asTrue\" holds a JSON boolean instead of text" + advice},
        {"lacksMask", json("{\"carbonKeyCode\":19}"),
         "[Hotkeys] \"Hotkeys_lacksMask\" holds text that is not a shortcut" + advice},
        {"noSuchKey", json("{\"carbonKeyCode\":99999,\"carbonModifiers\":2048}"),
         "[Hotkeys] \"Hotkeys_noSuchKey\" holds a shortcut of key code 99999 and modifiers 2048, which no key has" +
             advice},
        {"noSuchModifier", json("{\"carbonKeyCode\":18,\"carbonModifiers\":-1}"),
         "[Hotkeys] \"Hotkeys_noSuchModifier\" holds a shortcut of key code 18 and modifiers -1, which no key has" +
             advice},
        {"unknownModifiers", json("{\"carbonKeyCode\":19,\"carbonModifiers\":4294967295}"),
         "[Hotkeys] \"Hotkeys_unknownModifiers\" holds a shortcut of key code 19 and modifiers 4294967295, which no "
         "key has" +
             advice},
        {"capsLockModifier", json("{\"carbonKeyCode\":19,\"carbonModifiers\":3072}"),
         "[Hotkeys] \"Hotkeys_capsLockModifier\" holds a shortcut of key code 19 and modifiers 3072, which no key "
         "has" +
             advice},
        {"edited\x1b[2J\xff", json::array({19}),
         "[Hotkeys] \"Hotkeys_edited\\u001b[2J\xEF\xBF\xBD\" holds a JSON array instead of text" + advice},
        {"removed", json(false), ""},
        {"missing", std::nullopt, ""},
        {"readable", json(optionDigit(1).encoded()), ""},
    };
    platform::LogCapture log;
    std::vector<std::string> expected;
    for (const Row& row : rows) {
        if (row.stored) defaults.set("Hotkeys_" + row.name, *row.stored);
        if (!row.logged.empty()) expected.push_back(row.logged);
        hotkeys::onKeyDown(Name(row.name), [] {});
    }

    for (int i = 0; i < 3; ++i) EXPECT_EQ(press(optionDigit(1)), platform::noErr);
    for (const Row& row : rows) hotkeys::getShortcut(Name(row.name));

    EXPECT_EQ(log.lines(), expected);
}

TEST_F(Storage, TheNamesShortcutPropertyReadsAndWritesItsRecord) {
    const Name name = jumpToScreen1();
    takeCalls();
    changes.clear();

    name.setShortcut(optionDigit(3));
    EXPECT_EQ(name.shortcut(), optionDigit(3));
    EXPECT_EQ(defaults.object(kKey), json(optionDigit(3).encoded()));
    EXPECT_EQ(takeCalls(), (Calls{"unregister 1", "register 20 2048 SSKS 2"}));

    name.setShortcut(std::nullopt);
    EXPECT_EQ(name.shortcut(), std::nullopt);
    EXPECT_EQ(defaults.object(kKey), json(false)) << "a name with a default keeps it away";
    EXPECT_EQ(changes, (std::vector<json>{changedJumpToScreen1(), changedJumpToScreen1()}));
}

TEST_F(Storage, ObserversGetTheNameAsTheWriterWasGivenIt) {
    std::vector<std::optional<Name>> received;
    const auto observer = notifications.addObserver(
        hotkeys::kShortcutByNameDidChange, nullptr,
        [&](const platform::Notification& notification) { received.push_back(hotkeys::changedName(notification)); });

    jumpToScreen1();
    hotkeys::resetAll();

    ASSERT_EQ(received.size(), 2u);
    ASSERT_TRUE(received[0] && received[1]);
    EXPECT_EQ(received[0]->rawValue, "jumpToScreen1");
    EXPECT_EQ(received[0]->defaultShortcut, optionDigit(1));
    EXPECT_EQ(received[1]->rawValue, "jumpToScreen1");
    EXPECT_EQ(received[1]->defaultShortcut, std::nullopt) << "reset all works on names without defaults";

    const std::vector<platform::Notification> others{
        {platform::kMenuDidBeginTrackingNotification, json{{"name", Name("jumpToScreen1").toJSON()}}},
        {hotkeys::kShortcutByNameDidChange, json{{"name", "jumpToScreen1"}}},
        {hotkeys::kShortcutByNameDidChange, json{{"name", {{"rawValue", "x"}, {"defaultShortcut", "{}"}}}}},
        {hotkeys::kShortcutByNameDidChange, nullptr},
    };
    for (const platform::Notification& other : others) EXPECT_EQ(hotkeys::changedName(other), std::nullopt);
}

TEST_F(Storage, SettingNoneWhereNothingReadableIsStoredPostsNothing) {
    const Name name("custom");
    hotkeys::setShortcut(std::nullopt, name);
    EXPECT_FALSE(hotkeys::hasStoredValue(name));

    defaults.set("Hotkeys_custom", false);
    hotkeys::setShortcut(std::nullopt, name);
    EXPECT_EQ(defaults.object("Hotkeys_custom"), json(false));

    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(takeCalls(), Calls{});
}

TEST_F(Storage, ClearingANameWithoutADefaultRemovesItsRecord) {
    const Name name("custom");
    hotkeys::setShortcut(optionDigit(3), name);
    takeCalls();

    hotkeys::setShortcut(std::nullopt, name);

    EXPECT_FALSE(hotkeys::hasStoredValue(name));
    EXPECT_EQ(takeCalls(), Calls{"unregister 1"});
    EXPECT_EQ(changes, (std::vector<json>{changed("custom"), changed("custom")}));
}

TEST_F(Storage, ResavingTheSameShortcutRegistersItAgainUnderANewId) {
    const Name name = jumpToScreen1();
    takeCalls();
    changes.clear();

    hotkeys::saveShortcut(optionDigit(1), name);

    EXPECT_EQ(takeCalls(), (Calls{"unregister 1", "register 18 2048 SSKS 2"}));
    EXPECT_EQ(changes, std::vector<json>{changedJumpToScreen1()});
    EXPECT_TRUE(isGrabbed(optionDigit(1)));
}

TEST_F(Storage, ResetPutsTheDefaultBackAndRemovesRecordsOfNamesWithoutOne) {
    const Name withDefault = jumpToScreen1();
    const Name without("custom");
    hotkeys::saveShortcut(optionDigit(5), withDefault);
    hotkeys::saveShortcut(optionDigit(3), without);
    takeCalls();
    changes.clear();

    hotkeys::reset({withDefault, without});

    EXPECT_EQ(hotkeys::getShortcut(withDefault), optionDigit(1));
    EXPECT_FALSE(hotkeys::hasStoredValue(without));
    EXPECT_EQ(takeCalls(), (Calls{"unregister 2", "register 18 2048 SSKS 4", "unregister 3"}));
    EXPECT_EQ(changes, (std::vector<json>{changedJumpToScreen1(), changed("custom")}));
}

TEST_F(Storage, ResetAllRemovesReadableRecordsAndKeepsClearedOnes) {
    const Name custom = jumpToScreen1();
    hotkeys::saveShortcut(optionDigit(5), custom);
    const Name cleared("jumpToScreen2", optionDigit(2));
    hotkeys::setShortcut(std::nullopt, cleared);
    defaults.set("unrelated", 1);
    EXPECT_EQ(hotkeys::storedNames(), (std::set<std::string>{"jumpToScreen1", "jumpToScreen2"}));
    takeCalls();
    changes.clear();

    hotkeys::resetAll();

    EXPECT_FALSE(hotkeys::hasStoredValue(custom));
    EXPECT_EQ(defaults.object("Hotkeys_jumpToScreen2"), json(false));
    EXPECT_TRUE(defaults.contains("unrelated"));
    EXPECT_EQ(takeCalls(), Calls{"unregister 2"});
    EXPECT_EQ(changes, std::vector<json>{changed("jumpToScreen1")});
    EXPECT_TRUE(hotkeys::registeredShortcuts().empty());

    jumpToScreen1();
    EXPECT_EQ(takeCalls(), Calls{"register 18 2048 SSKS 4"}) << "the default returns at the next construction";
}

}  // namespace

namespace {

// The settings file edited by hand while the program runs: once the edit is read
// back, the hot keys follow it (the old key is let go, the new one grabbed) and
// the change is posted so that the menu shows it.
TEST_F(Storage, AShortcutEditedInTheFileIsRegisteredOnceTheFileIsReadAgain) {
    const Name name = jumpToScreen1();
    hotkeys::onKeyDown(name, [] {});
    mainQueue.drain();
    ASSERT_TRUE(isRegistered(optionDigit(1)));
    changes.clear();

    const Shortcut ctrlF2{120, 4096};
    auto edited = json::parse(std::ifstream(defaults.file()));
    edited[kKey] = ctrlF2.encoded();
    std::ofstream(defaults.file()) << edited.dump();
    defaults.synchronize();
    mainQueue.drain();

    EXPECT_EQ(hotkeys::getShortcut(name), ctrlF2);
    EXPECT_FALSE(isRegistered(optionDigit(1))) << "the old key still held";
    EXPECT_TRUE(isRegistered(ctrlF2)) << "the edited key not grabbed";
    EXPECT_EQ(changes, std::vector<json>{changedJumpToScreen1()});

    // Read again without a change: nothing moves, nothing is posted.
    changes.clear();
    defaults.set("unrelated", true);
    mainQueue.drain();
    EXPECT_TRUE(changes.empty());
}

}  // namespace
