#pragma once
#include <initializer_list>
#include <string>
#include <vector>

struct _XDisplay;

namespace tessivar::testing {

// A keyboard on a test X server, typed on with XTest from a connection of its
// own, as the user would. Every call returns once the server has handled it.
// What it changes on the server (locks, modifier map) it puts back when it goes.
class XTestKeyboard {
public:
    explicit XTestKeyboard(const std::string& displayName);
    ~XTestKeyboard();
    XTestKeyboard(const XTestKeyboard&) = delete;
    XTestKeyboard& operator=(const XTestKeyboard&) = delete;

    // False without a server or without the XTest extension.
    bool isReady() const;

    // Keys by their key symbol's name: "Alt_L", "1", "F12". Each call returns
    // once the server has handled what it sent.
    void press(const char* keySym);
    void release(const char* keySym);
    // Presses the keys in order and releases them in reverse, sent together.
    void tap(std::initializer_list<const char*> keySyms);

    // Holds the server for this connection alone: it reads no other client's
    // requests (maps, paints, questions) until released, as a server too busy
    // to answer them would. Keys typed meanwhile still reach their clients.
    void holdServer();
    void releaseServer();

    // Locks or unlocks the modifier the key drives ("Num_Lock", "Caps_Lock").
    void setLocked(const char* keySym, bool locked);
    // The X modifier bit the key sits on now, 0 for none.
    unsigned modifierOf(const char* keySym) const;
    // Makes held keys repeat after 20 ms every 10 ms, or as before.
    void setFastAutoRepeat(bool fast);
    // Moves the key onto modifier `index` (0 Shift ... 7 Mod5), as xmodmap does.
    bool moveToModifier(const char* keySym, int index);
    // Takes every key that types the symbol off the modifiers, as xmodmap's
    // "remove" does.
    bool removeFromModifiers(const char* keySym);

private:
    unsigned keyCode(const char* keySym) const;
    // Sends the fake key event without waiting for the server.
    void fake(const char* keySym, bool down);

    _XDisplay* display_ = nullptr;
    bool hasXTest_ = false;
    std::vector<unsigned char> savedModifierKeys_;
    int savedKeysPerModifier_ = 0;
    bool modifiersMoved_ = false;
    unsigned savedRepeatDelay_ = 0;
    unsigned savedRepeatInterval_ = 0;
};

}  // namespace tessivar::testing
