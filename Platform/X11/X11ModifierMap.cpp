#include "Platform/X11/X11ModifierMap.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace platform {
namespace {

constexpr unsigned kModifierBits = 0xFF;  // Shift .. Mod5; higher bits are pointer buttons
constexpr int kModifierCount = 8;

struct ModifierMapDeleter {
    void operator()(XModifierKeymap* map) const { XFreeModifiermap(map); }
};
struct KeySymsDeleter {
    void operator()(KeySym* keySyms) const { XFree(keySyms); }
};

// The modifier map with every key symbol its keys carry, read in two round trips.
class ServerModifiers {
public:
    explicit ServerModifiers(Display* display) : map_(XGetModifierMapping(display)) {
        XDisplayKeycodes(display, &minKeyCode_, &maxKeyCode_);
        keySyms_.reset(XGetKeyboardMapping(display, static_cast<KeyCode>(minKeyCode_), maxKeyCode_ - minKeyCode_ + 1,
                                           &symsPerKey_));
    }

    // The bit of the first modifier one of whose keys carries one of `wanted`.
    unsigned bitHolding(std::initializer_list<KeySym> wanted) const {
        if (!map_ || !keySyms_) return 0;
        for (int modifier = 0; modifier < kModifierCount; ++modifier) {
            if (modifierHolds(modifier, wanted)) return 1u << modifier;
        }
        return 0;
    }

private:
    bool modifierHolds(int modifier, std::initializer_list<KeySym> wanted) const {
        for (int slot = 0; slot < map_->max_keypermod; ++slot) {
            const KeyCode code = map_->modifiermap[modifier * map_->max_keypermod + slot];
            if (code != 0 && keyCarries(code, wanted)) return true;
        }
        return false;
    }

    bool keyCarries(KeyCode code, std::initializer_list<KeySym> wanted) const {
        if (code < minKeyCode_ || code > maxKeyCode_) return false;
        const KeySym* first = keySyms_.get() + (code - minKeyCode_) * symsPerKey_;
        return std::any_of(first, first + symsPerKey_,
                           [&](KeySym sym) { return std::find(wanted.begin(), wanted.end(), sym) != wanted.end(); });
    }

    std::unique_ptr<XModifierKeymap, ModifierMapDeleter> map_;
    std::unique_ptr<KeySym, KeySymsDeleter> keySyms_;
    int minKeyCode_ = 0;
    int maxKeyCode_ = 0;
    int symsPerKey_ = 0;
};

// Shift, Lock and Control are the core protocol's own bits; never take them
// for Alt or Super even if a keymap lists those keys there.
unsigned withoutCoreBits(unsigned bit) { return bit & ~(ShiftMask | LockMask | ControlMask); }

}  // namespace

X11ModifierMap X11ModifierMap::read(_XDisplay* display) {
    if (!display) return {};
    const ServerModifiers server(display);
    // Keymaps without Alt often still have Meta; it plays Option's part there.
    unsigned option = withoutCoreBits(server.bitHolding({XK_Alt_L, XK_Alt_R}));
    if (option == 0) option = withoutCoreBits(server.bitHolding({XK_Meta_L, XK_Meta_R}));
    return X11ModifierMap(Bits{
        .option = option,
        .command = withoutCoreBits(server.bitHolding({XK_Super_L, XK_Super_R})),
        .numLock = withoutCoreBits(server.bitHolding({XK_Num_Lock})),
        .scrollLock = withoutCoreBits(server.bitHolding({XK_Scroll_Lock})),
    });
}

std::optional<unsigned> X11ModifierMap::x11Modifiers(std::uint32_t carbonModifiers) const {
    constexpr std::uint32_t reportable = ModifierMasks::carbonCommand | ModifierMasks::carbonShift |
                                         ModifierMasks::carbonOption | ModifierMasks::carbonControl;
    if (carbonModifiers & ~reportable) return std::nullopt;
    unsigned modifiers = 0;
    if (carbonModifiers & ModifierMasks::carbonControl) modifiers |= ControlMask;
    if (carbonModifiers & ModifierMasks::carbonShift) modifiers |= ShiftMask;
    if (carbonModifiers & ModifierMasks::carbonOption) {
        if (bits_.option == 0) return std::nullopt;
        modifiers |= bits_.option;
    }
    if (carbonModifiers & ModifierMasks::carbonCommand) {
        if (bits_.command == 0) return std::nullopt;
        modifiers |= bits_.command;
    }
    return modifiers;
}

std::uint32_t X11ModifierMap::carbonModifiers(unsigned x11State) const {
    std::uint32_t carbon = 0;
    if (x11State & ControlMask) carbon |= ModifierMasks::carbonControl;
    if (x11State & ShiftMask) carbon |= ModifierMasks::carbonShift;
    if (x11State & LockMask) carbon |= ModifierMasks::carbonAlphaLock;
    if (bits_.option && (x11State & bits_.option)) carbon |= ModifierMasks::carbonOption;
    if (bits_.command && (x11State & bits_.command)) carbon |= ModifierMasks::carbonCommand;
    return carbon;
}

unsigned X11ModifierMap::lockModifiers() const {
    // A keymap may put NumLock on the same bit as Alt; that bit is Alt's then,
    // or Alt shortcuts would match with and without Alt.
    const unsigned taken = bits_.option | bits_.command;
    return LockMask | ((bits_.numLock | bits_.scrollLock) & ~taken);
}

std::vector<unsigned> X11ModifierMap::lockCombinations() const {
    const unsigned locks = lockModifiers();
    std::vector<unsigned> combinations;
    // Every subset of the lock bits, counting up through them.
    for (unsigned subset = 0;; subset = (subset - locks) & locks) {
        combinations.push_back(subset);
        if (subset == locks) break;
    }
    return combinations;
}

unsigned X11ModifierMap::significantModifiers(unsigned x11State) const {
    return x11State & kModifierBits & ~lockModifiers();
}

}  // namespace platform
