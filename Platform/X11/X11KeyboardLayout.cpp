#include "Platform/X11/X11KeyboardLayout.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XKBstr.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>

#include "Platform/X11/Private/X11KeyMap.h"

namespace platform {

namespace {

struct KeyboardDeleter {
    void operator()(XkbDescPtr keyboard) const { XkbFreeKeyboard(keyboard, 0, True); }
};
using Keyboard = std::unique_ptr<XkbDescRec, KeyboardDeleter>;

struct DeadKey {
    KeySym keysym;
    const char* spacing;
};

// Dead keys type nothing by themselves; a key cap shows the accent they put on
// the next letter, in its spacing form.
constexpr std::array<DeadKey, 18> kDeadKeys{{
    {XK_dead_grave, "`"},
    {XK_dead_acute, "´"},
    {XK_dead_circumflex, "^"},
    {XK_dead_tilde, "~"},
    {XK_dead_macron, "¯"},
    {XK_dead_breve, "˘"},
    {XK_dead_abovedot, "˙"},
    {XK_dead_diaeresis, "¨"},
    {XK_dead_abovering, "˚"},
    {XK_dead_doubleacute, "˝"},
    {XK_dead_caron, "ˇ"},
    {XK_dead_cedilla, "¸"},
    {XK_dead_ogonek, "˛"},
    {XK_dead_iota, "ͺ"},
    {XK_dead_voiced_sound, "゛"},
    {XK_dead_semivoiced_sound, "゜"},
    {XK_dead_abovecomma, "᾿"},
    {XK_dead_abovereversedcomma, "῾"},
}};

// A group whose unshifted keys type most of the Latin alphabet can spell a
// shortcut's letter; Cyrillic, Greek or Hebrew groups type none of it.
constexpr std::size_t kMinimumLatinLetters = 14;

// The group a key actually uses when the requested one is past its own groups.
int effectiveGroup(const XkbDescRec& keyboard, unsigned keyCode, int group) {
    const int groups = XkbKeyNumGroups(&keyboard, keyCode);
    if (groups == 0 || group < groups) return group;
    const unsigned info = XkbKeyGroupInfo(&keyboard, keyCode);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange: return groups - 1;
    case XkbRedirectIntoRange: {
        const int redirected = XkbOutOfRangeGroupNumber(info);
        return redirected < groups ? redirected : 0;
    }
    default: return group % groups;
    }
}

// What the key types in `group` without modifiers.
KeySym unshiftedKeySym(const XkbDescRec& keyboard, unsigned keyCode, int group) {
    if (keyCode < keyboard.min_key_code || keyCode > keyboard.max_key_code) return NoSymbol;
    if (XkbKeyNumGroups(&keyboard, keyCode) == 0) return NoSymbol;
    return XkbKeySymEntry(&keyboard, keyCode, 0, effectiveGroup(keyboard, keyCode, group));
}

int groupCount(const XkbDescRec& keyboard) {
    int groups = 0;
    for (unsigned code = keyboard.min_key_code; code <= keyboard.max_key_code; ++code) {
        groups = std::max(groups, static_cast<int>(XkbKeyNumGroups(&keyboard, code)));
    }
    return groups;
}

bool typesLatinLetters(const XkbDescRec& keyboard, int group) {
    std::bitset<26> letters;
    for (unsigned code = keyboard.min_key_code; code <= keyboard.max_key_code; ++code) {
        const KeySym keysym = unshiftedKeySym(keyboard, code, group);
        if (keysym >= XK_a && keysym <= XK_z) letters.set(keysym - XK_a);
    }
    return letters.count() >= kMinimumLatinLetters;
}

// The active group when it types Latin letters, else the first group that
// does; with none that does, the active group still shows digits and the like.
int asciiCapableGroup(const XkbDescRec& keyboard, int activeGroup) {
    if (typesLatinLetters(keyboard, activeGroup)) return activeGroup;
    const int groups = groupCount(keyboard);
    for (int group = 0; group < groups; ++group) {
        if (typesLatinLetters(keyboard, group)) return group;
    }
    return activeGroup;
}

std::optional<std::string> text(KeySym keysym) {
    const auto dead =
        std::find_if(kDeadKeys.begin(), kDeadKeys.end(), [&](const DeadKey& d) { return d.keysym == keysym; });
    if (dead != kDeadKeys.end()) return dead->spacing;
    const std::uint32_t scalar = xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
    // Return, Tab, Escape and the like map to control characters, which no key cap shows.
    if (scalar < 0x20 || (scalar >= 0x7F && scalar < 0xA0)) return std::nullopt;
    std::array<char, 8> buffer{};
    if (xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(keysym), buffer.data(), buffer.size()) <= 1) return std::nullopt;
    return std::string(buffer.data());
}

}  // namespace

X11KeyboardLayout::X11KeyboardLayout(const char* displayName) : display_(displayName) {}

std::optional<std::string> X11KeyboardLayout::character(std::uint16_t carbonKeyCode) {
    Display* display = display_.get();
    if (!display) return std::nullopt;
    const auto keyCode = X11KeyMap::x11KeyCode(display, carbonKeyCode);
    if (!keyCode) return std::nullopt;
    const Keyboard keyboard(XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd));
    XkbStateRec state{};
    if (!keyboard || XkbGetState(display, XkbUseCoreKbd, &state) != Success) return std::nullopt;
    const int group = asciiCapableGroup(*keyboard, state.group);
    return text(unshiftedKeySym(*keyboard, *keyCode, group));
}

}  // namespace platform
