#include "Platform/X11/Private/X11KeyMap.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XKBstr.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace platform::X11KeyMap {

namespace {

struct KeyRow {
    int carbon;
    std::string_view xkbName;  // the key's name in the server's keymap
    unsigned evdev;            // Linux input code, the X key code less 8 on evdev servers
};

// Every physical key the shortcut package names, by position. The Mac "Clear"
// key sits where PC keypads have Num Lock, and the Mac "Help" key where they
// have Insert. The Fn key has no X key code and is left out.
constexpr std::array<KeyRow, 112> kKeys{{
    {0, "AC01", 30},    {1, "AC02", 31},    {2, "AC03", 32},    {3, "AC04", 33},    {4, "AC06", 35},
    {5, "AC05", 34},    {6, "AB01", 44},    {7, "AB02", 45},    {8, "AB03", 46},    {9, "AB04", 47},
    {11, "AB05", 48},   {12, "AD01", 16},   {13, "AD02", 17},   {14, "AD03", 18},   {15, "AD04", 19},
    {16, "AD06", 21},   {17, "AD05", 20},   {18, "AE01", 2},    {19, "AE02", 3},    {20, "AE03", 4},
    {21, "AE04", 5},    {22, "AE06", 7},    {23, "AE05", 6},    {24, "AE12", 13},   {25, "AE09", 10},
    {26, "AE07", 8},    {27, "AE11", 12},   {28, "AE08", 9},    {29, "AE10", 11},   {30, "AD12", 27},
    {31, "AD09", 24},   {32, "AD07", 22},   {33, "AD11", 26},   {34, "AD08", 23},   {35, "AD10", 25},
    {36, "RTRN", 28},   {37, "AC09", 38},   {38, "AC07", 36},   {39, "AC11", 40},   {40, "AC08", 37},
    {41, "AC10", 39},   {42, "BKSL", 43},   {43, "AB08", 51},   {44, "AB10", 53},   {45, "AB06", 49},
    {46, "AB07", 50},   {47, "AB09", 52},   {48, "TAB", 15},    {49, "SPCE", 57},   {50, "TLDE", 41},
    {51, "BKSP", 14},   {53, "ESC", 1},     {54, "RWIN", 126},  {55, "LWIN", 125},  {56, "LFSH", 42},
    {57, "CAPS", 58},   {58, "LALT", 56},   {59, "LCTL", 29},   {60, "RTSH", 54},   {61, "RALT", 100},
    {62, "RCTL", 97},   {64, "FK17", 187},  {65, "KPDL", 83},   {67, "KPMU", 55},   {69, "KPAD", 78},
    {71, "NMLK", 69},   {72, "VOL+", 115},  {73, "VOL-", 114},  {74, "MUTE", 113},  {75, "KPDV", 98},
    {76, "KPEN", 96},   {78, "KPSU", 74},   {79, "FK18", 188},  {80, "FK19", 189},  {81, "KPEQ", 117},
    {82, "KP0", 82},    {83, "KP1", 79},    {84, "KP2", 80},    {85, "KP3", 81},    {86, "KP4", 75},
    {87, "KP5", 76},    {88, "KP6", 77},    {89, "KP7", 71},    {90, "FK20", 190},  {91, "KP8", 72},
    {92, "KP9", 73},    {96, "FK05", 63},   {97, "FK06", 64},   {98, "FK07", 65},   {99, "FK03", 61},
    {100, "FK08", 66},  {101, "FK09", 67},  {103, "FK11", 87},  {105, "FK13", 183}, {106, "FK16", 186},
    {107, "FK14", 184}, {109, "FK10", 68},  {111, "FK12", 88},  {113, "FK15", 185}, {114, "INS", 110},
    {115, "HOME", 102}, {116, "PGUP", 104}, {117, "DELE", 111}, {118, "FK04", 62},  {119, "END", 107},
    {120, "FK02", 60},  {121, "PGDN", 109}, {122, "FK01", 59},  {123, "LEFT", 105}, {124, "RGHT", 106},
    {125, "DOWN", 108}, {126, "UP", 103},
}};

constexpr unsigned kEvdevOffset = 8;
constexpr unsigned kMinX11KeyCode = 8;
constexpr unsigned kMaxX11KeyCode = 255;

const KeyRow* rowForCarbon(int carbonKeyCode) {
    const auto it =
        std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyRow& r) { return r.carbon == carbonKeyCode; });
    return it == kKeys.end() ? nullptr : &*it;
}

const KeyRow* rowForName(std::string_view name) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyRow& r) { return r.xkbName == name; });
    return it == kKeys.end() ? nullptr : &*it;
}

const KeyRow* rowForEvdev(unsigned evdev) {
    const auto it = std::find_if(kKeys.begin(), kKeys.end(), [&](const KeyRow& r) { return r.evdev == evdev; });
    return it == kKeys.end() ? nullptr : &*it;
}

// XKB names are four bytes, not necessarily terminated.
std::string_view nameView(const char (&name)[XkbKeyNameLength]) { return {name, strnlen(name, XkbKeyNameLength)}; }

struct KeyboardDeleter {
    void operator()(XkbDescPtr keyboard) const { XkbFreeKeyboard(keyboard, 0, True); }
};
using Keyboard = std::unique_ptr<XkbDescRec, KeyboardDeleter>;

// The server's key names, read on every lookup: one small round trip, and the
// answer always follows a keymap the user or setxkbmap has just loaded. None
// when the server has no XKB or names no key.
Keyboard keyNames(Display* display) {
    Keyboard keyboard(XkbAllocKeyboard());
    if (!keyboard) return nullptr;
    keyboard->device_spec = XkbUseCoreKbd;
    if (XkbGetNames(display, XkbKeyNamesMask | XkbKeyAliasesMask, keyboard.get()) != Success) return nullptr;
    const XkbNamesPtr names = keyboard->names;
    if (!names || !names->keys) return nullptr;
    for (unsigned code = keyboard->min_key_code; code <= keyboard->max_key_code; ++code) {
        if (!nameView(names->keys[code].name).empty()) return keyboard;
    }
    return nullptr;
}

// The real name behind an alias ("LMTA" for "LWIN" on some keymaps), or the name itself.
std::string_view realName(const XkbNamesRec& names, std::string_view name) {
    for (int i = 0; i < names.num_key_aliases; ++i) {
        if (nameView(names.key_aliases[i].alias) == name) return nameView(names.key_aliases[i].real);
    }
    return name;
}

std::optional<unsigned> codeNamed(const XkbDescRec& keyboard, std::string_view name) {
    const std::string_view real = realName(*keyboard.names, name);
    for (unsigned code = keyboard.min_key_code; code <= keyboard.max_key_code; ++code) {
        if (nameView(keyboard.names->keys[code].name) == real) return code;
    }
    return std::nullopt;
}

// Aliases count too: a keymap may name a key by an alias of the name in the table.
const KeyRow* rowForServerName(const XkbNamesRec& names, std::string_view name) {
    if (const KeyRow* row = rowForName(name)) return row;
    for (int i = 0; i < names.num_key_aliases; ++i) {
        if (nameView(names.key_aliases[i].real) != name) continue;
        if (const KeyRow* row = rowForName(nameView(names.key_aliases[i].alias))) return row;
    }
    return nullptr;
}

}  // namespace

std::optional<unsigned> x11KeyCode(_XDisplay* display, int carbonKeyCode) {
    const KeyRow* row = rowForCarbon(carbonKeyCode);
    if (!display || !row) return std::nullopt;
    const Keyboard keyboard = keyNames(display);
    if (keyboard) return codeNamed(*keyboard, row->xkbName);
    const unsigned code = row->evdev + kEvdevOffset;
    if (code > kMaxX11KeyCode) return std::nullopt;
    return code;
}

std::optional<int> carbonKeyCode(_XDisplay* display, unsigned x11KeyCode) {
    if (!display || x11KeyCode < kMinX11KeyCode || x11KeyCode > kMaxX11KeyCode) return std::nullopt;
    const Keyboard keyboard = keyNames(display);
    const KeyRow* row = nullptr;
    if (!keyboard) {
        row = rowForEvdev(x11KeyCode - kEvdevOffset);
    } else if (x11KeyCode >= keyboard->min_key_code && x11KeyCode <= keyboard->max_key_code) {
        row = rowForServerName(*keyboard->names, nameView(keyboard->names->keys[x11KeyCode].name));
    }
    if (!row) return std::nullopt;
    return row->carbon;
}

}  // namespace platform::X11KeyMap
