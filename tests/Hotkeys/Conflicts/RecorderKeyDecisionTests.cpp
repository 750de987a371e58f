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

constexpr std::uint64_t kShiftFlag = ModifierFlags::shift;
constexpr std::uint64_t kOptionFlag = ModifierFlags::option;
constexpr std::uint64_t kControlFlag = ModifierFlags::control;
constexpr std::uint64_t kCommandFlag = ModifierFlags::command;
constexpr std::uint64_t kFunctionFlag = ModifierFlags::function;
constexpr std::uint64_t kCapsLock = ModifierFlags::capsLock;
constexpr std::uint64_t kNumericPad = ModifierFlags::numericPad;

RecorderEvent key(std::uint64_t flags, std::optional<std::int64_t> code, Key which = Key::other) {
    return {Kind::keyDown, flags, which, code, false};
}

RecorderEvent mouseUp(bool inside) { return {Kind::mouseUp, 0, Key::other, std::nullopt, inside}; }

RecorderDecision act(RecorderAction action, std::optional<Shortcut> shortcut = std::nullopt, std::string title = {}) {
    return {action, shortcut, std::move(title)};
}

// ⌘Q and ⌥⇧Q are the menu's; ⌃⌥T, ⌥W and F12 are taken by the desktop; the
// sandbox refuses ⌥W and ⌥⇧Q.
hotkeys::RecorderLookups lookups() {
    return {[](const Shortcut& s) -> std::optional<std::string> {
                if (s == Shortcut(12, 256)) return "退出";
                if (s == Shortcut(12, 2048 | 512)) return "全部退出";
                return std::nullopt;
            },
            [](const Shortcut& s) {
                return s == Shortcut(17, 4096 | 2048) || s == Shortcut(13, 2048) || s == Shortcut(111, 0);
            },
            [](const Shortcut& s) { return s == Shortcut(13, 2048) || s == Shortcut(12, 2048 | 512); }};
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
        {"a modifier key going down",
         {Kind::other, kOptionFlag, Key::other, 58, false},
         true,
         act(RecorderAction::swallow)},
        {"Tab", key(0, 48, Key::tab), true, act(RecorderAction::endAndPass)},
        {"Tab with Caps Lock on", key(kCapsLock, 48, Key::tab), true, act(RecorderAction::endAndPass)},
        {"Shift-Tab", key(kShiftFlag, 48, Key::tab), true, act(RecorderAction::beep)},
        {"Escape", key(0, 53, Key::escape), true, act(RecorderAction::endAndSwallow)},
        {"Backspace on a shortcut", key(0, 51, Key::backspace), true, act(RecorderAction::clearShortcut)},
        {"Delete on a shortcut", key(0, 117, Key::deleteForward), true, act(RecorderAction::clearShortcut)},
        {"Backspace on an empty field", key(0, 51, Key::backspace), false, act(RecorderAction::swallow)},
        {"Option-Backspace is recorded", key(kOptionFlag, 51, Key::backspace), true,
         act(RecorderAction::store, Shortcut(51, 2048))},
        {"A alone", key(0, 0), true, act(RecorderAction::beep)},
        {"Shift-A", key(kShiftFlag, 0), true, act(RecorderAction::beep)},
        {"A with Caps Lock", key(kCapsLock, 0), true, act(RecorderAction::beep)},
        {"keypad 5 alone", key(kNumericPad, 87), true, act(RecorderAction::beep)},
        {"F5", key(0, 96, Key::functionKey), true, act(RecorderAction::store, Shortcut(96, 0))},
        {"Shift-F5", key(kShiftFlag, 96, Key::functionKey), true, act(RecorderAction::store, Shortcut(96, 512))},
        {"fn-F5 drops fn", key(kFunctionFlag, 96, Key::functionKey), true, act(RecorderAction::store, Shortcut(96, 0))},
        {"F24 has no key code", key(0, std::nullopt, Key::functionKey), true, act(RecorderAction::beep)},
        {"a dead key's physical key", key(kOptionFlag | kShiftFlag, 39), true,
         act(RecorderAction::store, Shortcut(39, 2560))},
        {"Option-Shift-5", key(kOptionFlag | kShiftFlag, 23), true, act(RecorderAction::store, Shortcut(23, 2560))},
        {"Control-keypad 5", key(kControlFlag | kNumericPad, 87), true, act(RecorderAction::store, Shortcut(87, 4096))},
        {"a key with no code", key(kOptionFlag, std::nullopt), true, act(RecorderAction::beep)},
        {"the menu's ⌘Q", key(kCommandFlag, 12), true,
         act(RecorderAction::alertMenuConflict, Shortcut(12, 256), "退出")},
        {"the desktop's ⌃⌥T", key(kControlFlag | kOptionFlag, 17), true,
         act(RecorderAction::confirmSystemConflict, Shortcut(17, 6144))},
        {"the sandbox's ⌥W, before the desktop's", key(kOptionFlag, 13), true,
         act(RecorderAction::alertDisallowed, Shortcut(13, 2048))},
        {"the menu's ⌥⇧Q, before the sandbox's", key(kOptionFlag | kShiftFlag, 12), true,
         act(RecorderAction::alertMenuConflict, Shortcut(12, 2560), "全部退出")},
        {"F12 alone is never taken", key(0, 111, Key::functionKey), true, act(RecorderAction::store, Shortcut(111, 0))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hotkeys::decideRecorderEvent(c.event, c.showsShortcut, lookups()), c.expected) << c.what;
    }
}

// Only releases 15.0 and 15.1, only in a sandbox, only Option alone or with Shift
// among the modifiers.
TEST(RecorderKeyDecision, TheSandboxRefusesOptionShortcutsOnlyOnTheReleasesItNames) {
    using hotkeys::SystemVersion;
    constexpr std::int64_t kCarbonShift = 512, kCarbonOption = 2048, kCarbonControl = 4096, kCarbonCommand = 256;
    struct Case {
        const char* what;
        std::int64_t modifiers;
        std::optional<SystemVersion> version;
        bool sandboxed;
        bool disallowed;
    };
    const Case cases[] = {
        {"⌥A on 15.0", kCarbonOption, SystemVersion{15, 0}, true, true},
        {"⌥⇧A on 15.1", kCarbonOption | kCarbonShift, SystemVersion{15, 1}, true, true},
        {"⌃⌥A on 15.1", kCarbonControl | kCarbonOption, SystemVersion{15, 1}, true, false},
        {"⌥⌘A on 15.1", kCarbonOption | kCarbonCommand, SystemVersion{15, 1}, true, false},
        {"⇧A on 15.1", kCarbonShift, SystemVersion{15, 1}, true, false},
        {"⌥A on 15.2", kCarbonOption, SystemVersion{15, 2}, true, false},
        {"⌥A on 14.1", kCarbonOption, SystemVersion{14, 1}, true, false},
        {"⌥A on 16.0", kCarbonOption, SystemVersion{16, 0}, true, false},
        {"⌥A on 15.1 outside a sandbox", kCarbonOption, SystemVersion{15, 1}, false, false},
        {"⌥A on a system the rule is not about", kCarbonOption, std::nullopt, true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hotkeys::isDisallowedInSandbox(Shortcut(0, c.modifiers), c.version, c.sandboxed), c.disallowed)
            << c.what;
    }
}

TEST(RecorderKeyDecision, WithoutLookupsEveryAcceptableKeyIsStored) {
    EXPECT_EQ(hotkeys::decideRecorderEvent(key(kCommandFlag, 12), true, {}),
              act(RecorderAction::store, Shortcut(12, 256)));
}

}  // namespace
