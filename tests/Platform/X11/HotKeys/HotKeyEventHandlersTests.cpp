#include <gtest/gtest.h>

#include <string>

#include "Platform/X11/HotKeyEventHandlers.h"

namespace tessivar::testing {
namespace {

using namespace platform;

const EventTypeSpec kPressed{kEventClassKeyboard, kEventHotKeyPressed};

KeyboardEvent pressed() {
    KeyboardEvent event;
    event.kind = kEventHotKeyPressed;
    return event;
}

TEST(HotKeyEventHandlersTest, PassesAnEventOnUntilAHandlerHandlesIt) {
    HotKeyEventHandlers handlers;
    std::string calls;
    const EventHandlerRef first = handlers.install([&](const KeyboardEvent&) {
        calls += "1";
        return eventNotHandledErr;
    });
    const EventHandlerRef second = handlers.install([&](const KeyboardEvent&) {
        calls += "2";
        return noErr;
    });
    const EventHandlerRef third = handlers.install([&](const KeyboardEvent&) {
        calls += "3";
        return noErr;
    });
    for (const EventHandlerRef ref : {first, second, third}) ASSERT_EQ(handlers.addTypes(ref, {kPressed}), noErr);

    EXPECT_EQ(handlers.dispatch(pressed()), noErr);
    EXPECT_EQ(calls, "12");
}

TEST(HotKeyEventHandlersTest, AnUnknownHandlerOrAnUntakenKindIsNotHandled) {
    HotKeyEventHandlers handlers;
    const EventHandlerRef ref = handlers.install([](const KeyboardEvent&) { return noErr; });

    EXPECT_EQ(handlers.dispatch(pressed()), eventNotHandledErr);
    EXPECT_EQ(handlers.addTypes(ref + 1, {kPressed}), eventNotHandledErr);
    EXPECT_EQ(handlers.removeTypes(ref + 1, {kPressed}), eventNotHandledErr);
}

TEST(HotKeyEventHandlersTest, AHandlerMayChangeTheTableWhileItRuns) {
    HotKeyEventHandlers handlers;
    int calls = 0;
    EventHandlerRef ref = 0;
    ref = handlers.install([&](const KeyboardEvent&) {
        ++calls;
        EXPECT_EQ(handlers.removeTypes(ref, {kPressed}), noErr);
        handlers.install([](const KeyboardEvent&) { return noErr; });
        return noErr;
    });
    ASSERT_EQ(handlers.addTypes(ref, {kPressed}), noErr);

    EXPECT_EQ(handlers.dispatch(pressed()), noErr);
    EXPECT_EQ(handlers.dispatch(pressed()), eventNotHandledErr);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tessivar::testing
