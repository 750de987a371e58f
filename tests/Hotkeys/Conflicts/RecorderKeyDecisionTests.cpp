#include <gtest/gtest.h>

#include "Hotkeys/ModifierFlags.h"
#include "Hotkeys/Qt/RecorderKeyDecision.h"

namespace {

using hotkeys::ModifierFlags;
using hotkeys::RecorderAction;
using hotkeys::RecorderDecision;
using hotkeys::RecorderEvent;
using hotkeys::Shortcut;
using Key = RecorderEvent::Key;
using Kind = RecorderEvent::Kind;

constexpr std::uint64_t kShift = ModifierFlags::shift;
constexpr std::uint64_t kOption = ModifierFlags::option;
constexpr std::uint64_t kControl = ModifierFlags::control;
constexpr std::uint64_t kCommand = ModifierFlags::command;
constexpr std::uint64_t kFunction = ModifierFlags::function;
constexpr std::uint64_t kCapsLock = ModifierFlags::capsLock;
constexpr std::uint64_t kNumericPad = ModifierFlags::numericPad;

RecorderEvent key(std::uint64_t flags, std::optional<std::int64_t> code, Key which = Key::other) {
    return {Kind::keyDown, flags, which, code, false};
}

RecorderEvent mouseUp(bool inside) { return {Kind::mouseUp, 0, Key::other, std::nullopt, inside}; }

RecorderDecision act(RecorderAction action, std::optional<Shortcut> shortcut = std::nullopt, std::string title = {}) {
    return {action, shortcut, std::move(title)};
}

// ⌘Q is the menu's; ⌃⌥T and F12 are taken by the desktop.
hotkeys::RecorderLookups lookups() {
    return {[](const Shortcut& s) -> std::optional<std::string> {
                if (s == Shortcut(12, 256)) return "退出";
                return std::nullopt;
            },
            [](const Shortcut& s) { return s == Shortcut(17, 4096 | 2048) || s == Shortcut(111, 0); }};
}

TEST(RecorderKeyDecision, TheRulesInOrderFirstThatAppliesDecides) {
    struct Case {
        const char* what;
        RecorderEvent event;
        bool showsShortcut;
        RecorderDecision expected;
    };
    const Case cases[] = {
        {"release just outside the slop", mouseUp(false), true, act(RecorderAction::endAndPass)},
        {"release within the slop", mouseUp(true), true, act(RecorderAction::swallow)},
        {"a modifier key going down", {Kind::other, kOption, Key::other, 58, false}, true, act(RecorderAction::swallow)},
        {"Tab", key(0, 48, Key::tab), true, act(RecorderAction::endAndPass)},
        {"Tab with Caps Lock on", key(kCapsLock, 48, Key::tab), true, act(RecorderAction::endAndPass)},
        {"Shift-Tab", key(kShift, 48, Key::tab), true, act(RecorderAction::beep)},
        {"Escape", key(0, 53, Key::escape), true, act(RecorderAction::endAndSwallow)},
        {"Backspace on a shortcut", key(0, 51, Key::backspace), true, act(RecorderAction::clearShortcut)},
        {"Delete on a shortcut", key(0, 117, Key::deleteForward), true, act(RecorderAction::clearShortcut)},
        {"Backspace on an empty field", key(0, 51, Key::backspace), false, act(RecorderAction::swallow)},
        {"Option-Backspace is recorded", key(kOption, 51, Key::backspace), true,
         act(RecorderAction::store, Shortcut(51, 2048))},
        {"A alone", key(0, 0), true, act(RecorderAction::beep)},
        {"Shift-A", key(kShift, 0), true, act(RecorderAction::beep)},
        {"A with Caps Lock", key(kCapsLock, 0), true, act(RecorderAction::beep)},
        {"keypad 5 alone", key(kNumericPad, 87), true, act(RecorderAction::beep)},
        {"F5", key(0, 96, Key::functionKey), true, act(RecorderAction::store, Shortcut(96, 0))},
        {"Shift-F5", key(kShift, 96, Key::functionKey), true, act(RecorderAction::store, Shortcut(96, 512))},
        {"fn-F5 drops fn", key(kFunction, 96, Key::functionKey), true, act(RecorderAction::store, Shortcut(96, 0))},
        {"F24 has no key code", key(0, std::nullopt, Key::functionKey), true, act(RecorderAction::beep)},
        {"a dead key's physical key", key(kOption | kShift, 39), true, act(RecorderAction::store, Shortcut(39, 2560))},
        {"Option-Shift-5", key(kOption | kShift, 23), true, act(RecorderAction::store, Shortcut(23, 2560))},
        {"Control-keypad 5", key(kControl | kNumericPad, 87), true, act(RecorderAction::store, Shortcut(87, 4096))},
        {"a key with no code", key(kOption, std::nullopt), true, act(RecorderAction::beep)},
        {"the menu's ⌘Q", key(kCommand, 12), true, act(RecorderAction::alertMenuConflict, Shortcut(12, 256), "退出")},
        {"the desktop's ⌃⌥T", key(kControl | kOption, 17), true,
         act(RecorderAction::confirmSystemConflict, Shortcut(17, 6144))},
        {"F12 alone is never taken", key(0, 111, Key::functionKey), true, act(RecorderAction::store, Shortcut(111, 0))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hotkeys::decideRecorderEvent(c.event, c.showsShortcut, lookups()), c.expected) << c.what;
    }
}

TEST(RecorderKeyDecision, WithoutLookupsEveryAcceptableKeyIsStored) {
    EXPECT_EQ(hotkeys::decideRecorderEvent(key(kCommand, 12), true, {}), act(RecorderAction::store, Shortcut(12, 256)));
}

}  // namespace
