#include "tests/support/XTestKeyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <functional>

#include "tests/support/XTestConnection.h"

namespace tessivar::testing {
namespace {

constexpr int kModifierCount = 8;

void dropFromModifiers(XModifierKeymap* map, const std::function<bool(KeyCode)>& matches) {
    for (int slot = 0; slot < kModifierCount * map->max_keypermod; ++slot) {
        if (map->modifiermap[slot] != 0 && matches(map->modifiermap[slot])) map->modifiermap[slot] = 0;
    }
}

// Sets the map on the server and frees it.
bool setModifierMapping(Display* display, XModifierKeymap* map) {
    const bool set = XSetModifierMapping(display, map) == MappingSuccess;
    XFreeModifiermap(map);
    XSync(display, False);
    return set;
}

}  // namespace

XTestKeyboard::XTestKeyboard(const std::string& displayName) {
    const XTestConnection connection = openXTestConnection(displayName);
    display_ = connection.display;
    hasXTest_ = connection.hasXTest;
    if (!display_) return;
    XModifierKeymap* map = XGetModifierMapping(display_);
    savedKeysPerModifier_ = map->max_keypermod;
    savedModifierKeys_.assign(map->modifiermap, map->modifiermap + kModifierCount * map->max_keypermod);
    XFreeModifiermap(map);
    XkbGetAutoRepeatRate(display_, XkbUseCoreKbd, &savedRepeatDelay_, &savedRepeatInterval_);
}

XTestKeyboard::~XTestKeyboard() {
    if (!display_) return;
    setFastAutoRepeat(false);
    // The next test starts from the server's own keymap with nothing locked.
    XkbLockModifiers(display_, XkbUseCoreKbd, 0xFF, 0);
    if (modifiersMoved_) {
        XModifierKeymap map{savedKeysPerModifier_, savedModifierKeys_.data()};
        XSetModifierMapping(display_, &map);
    }
    XCloseDisplay(display_);
}

bool XTestKeyboard::isReady() const { return display_ && hasXTest_; }

void XTestKeyboard::press(const char* keySym) {
    fake(keySym, true);
    XSync(display_, False);
}

void XTestKeyboard::release(const char* keySym) {
    fake(keySym, false);
    XSync(display_, False);
}

// The server handles one connection's requests in order, so one wait for the
// last of them covers them all: a tap costs one round trip, as a warp does.
void XTestKeyboard::tap(std::initializer_list<const char*> keySyms) {
    for (const char* keySym : keySyms) fake(keySym, true);
    for (auto it = std::rbegin(keySyms); it != std::rend(keySyms); ++it) fake(*it, false);
    XSync(display_, False);
}

void XTestKeyboard::holdServer() {
    XGrabServer(display_);
    XSync(display_, False);
}

void XTestKeyboard::releaseServer() {
    XUngrabServer(display_);
    XSync(display_, False);
}

void XTestKeyboard::setLocked(const char* keySym, bool locked) {
    const unsigned modifier = modifierOf(keySym);
    XkbLockModifiers(display_, XkbUseCoreKbd, modifier, locked ? modifier : 0);
    XSync(display_, False);
}

void XTestKeyboard::setFastAutoRepeat(bool fast) {
    XkbSetAutoRepeatRate(display_, XkbUseCoreKbd, fast ? 20 : savedRepeatDelay_, fast ? 10 : savedRepeatInterval_);
    XSync(display_, False);
}

unsigned XTestKeyboard::modifierOf(const char* keySym) const {
    const unsigned code = keyCode(keySym);
    XModifierKeymap* map = XGetModifierMapping(display_);
    unsigned bit = 0;
    for (int slot = 0; slot < kModifierCount * map->max_keypermod && bit == 0; ++slot) {
        if (map->modifiermap[slot] == code) bit = 1u << (slot / map->max_keypermod);
    }
    XFreeModifiermap(map);
    return bit;
}

bool XTestKeyboard::moveToModifier(const char* keySym, int index) {
    const auto code = static_cast<KeyCode>(keyCode(keySym));
    XModifierKeymap* map = XGetModifierMapping(display_);
    dropFromModifiers(map, [code](KeyCode slotCode) { return slotCode == code; });
    modifiersMoved_ = true;
    return setModifierMapping(display_, XInsertModifiermapEntry(map, code, index));
}

bool XTestKeyboard::removeFromModifiers(const char* keySym) {
    const KeySym sym = XStringToKeysym(keySym);
    XModifierKeymap* map = XGetModifierMapping(display_);
    dropFromModifiers(map, [this, sym](KeyCode slotCode) {
        int perKey = 0;
        KeySym* syms = XGetKeyboardMapping(display_, slotCode, 1, &perKey);
        const bool types = syms && std::find(syms, syms + perKey, sym) != syms + perKey;
        if (syms) XFree(syms);
        return types;
    });
    modifiersMoved_ = true;
    return setModifierMapping(display_, map);
}

unsigned XTestKeyboard::keyCode(const char* keySym) const {
    return XKeysymToKeycode(display_, XStringToKeysym(keySym));
}

void XTestKeyboard::fake(const char* keySym, bool down) {
    XTestFakeKeyEvent(display_, keyCode(keySym), down ? True : False, CurrentTime);
}

}  // namespace tessivar::testing
