#include "Hotkeys/Qt/RecorderKeyDecision.h"

#include "Hotkeys/ModifierFlags.h"

namespace hotkeys {

namespace {

using Kind = RecorderEvent::Kind;
using KeyKind = RecorderEvent::Key;

// The flags that count: the device-independent ones without Caps Lock and the
// numeric-pad mark.
constexpr std::uint64_t kSignificantFlags = 0xFFDE0000;
// Within those, everything but Shift and Function: a real modifier.
constexpr std::uint64_t kRealModifiers = 0xFF5C0000;
// Option alone or with Shift, among the flags the sandbox rule looks at.
constexpr std::uint64_t kSandboxRuleFlags = 0x9D0000;
constexpr std::uint64_t kOptionOnly = ModifierFlags::option;
// F12 alone passes the system check whatever the lookups say: the user may always take it.
const Shortcut kAlwaysFreeShortcut{111, 0};

RecorderDecision act(RecorderAction action, std::optional<Shortcut> shortcut = std::nullopt) {
    return {action, shortcut, {}};
}

std::optional<RecorderDecision> decideUnmodified(const RecorderEvent& event, bool showsShortcut) {
    if (event.key == KeyKind::tab) return act(RecorderAction::endAndPass);
    if (event.key == KeyKind::escape) return act(RecorderAction::endAndSwallow);
    if (event.key == KeyKind::backspace || event.key == KeyKind::deleteForward) {
        return act(showsShortcut ? RecorderAction::clearShortcut : RecorderAction::swallow);
    }
    return std::nullopt;
}

RecorderDecision decideShortcut(const Shortcut& shortcut, const RecorderLookups& lookups) {
    if (lookups.menuItemTitle) {
        if (auto title = lookups.menuItemTitle(shortcut)) {
            return {RecorderAction::alertMenuConflict, shortcut, std::move(*title)};
        }
    }
    if (lookups.isDisallowed && lookups.isDisallowed(shortcut)) return act(RecorderAction::alertDisallowed, shortcut);
    if (shortcut != kAlwaysFreeShortcut && lookups.isTakenBySystem && lookups.isTakenBySystem(shortcut)) {
        return act(RecorderAction::confirmSystemConflict, shortcut);
    }
    return act(RecorderAction::store, shortcut);
}

}  // namespace

bool isDisallowedInSandbox(const Shortcut& shortcut, std::optional<SystemVersion> version, bool sandboxed) {
    if (!sandboxed || !version || version->major != 15 || version->minor > 1) return false;
    return (ModifierFlags::fromCarbon(shortcut.carbonModifiers).rawValue & kSandboxRuleFlags) == kOptionOnly;
}

RecorderDecision decideRecorderEvent(const RecorderEvent& event, bool showsShortcut, const RecorderLookups& lookups) {
    if (event.kind == Kind::mouseUp && !event.insideControl) return act(RecorderAction::endAndPass);
    if (event.kind != Kind::keyDown) return act(RecorderAction::swallow);
    const std::uint64_t flags = event.modifierFlags & kSignificantFlags;
    if (flags == 0) {
        if (auto decided = decideUnmodified(event, showsShortcut)) return *decided;
    }
    if ((flags & kRealModifiers) == 0 && event.key != KeyKind::functionKey) return act(RecorderAction::beep);
    const auto shortcut = event.carbonKeyCode
                              ? Shortcut::fromKeyEvent(true, *event.carbonKeyCode, ModifierFlags{event.modifierFlags})
                              : std::nullopt;
    if (!shortcut) return act(RecorderAction::beep);
    return decideShortcut(*shortcut, lookups);
}

}  // namespace hotkeys
