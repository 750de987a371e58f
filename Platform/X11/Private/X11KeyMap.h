#pragma once
#include <optional>

struct _XDisplay;

namespace platform {

// Carbon virtual key codes (the layout-independent physical keys the shortcut
// package stores) and X key codes, matched through XKB key names ("AE01" is the
// key that types 1 on a US layout), or through the Linux input code + 8 when
// the server gives no key names.
namespace X11KeyMap {

std::optional<unsigned> x11KeyCode(_XDisplay* display, int carbonKeyCode);
std::optional<int> carbonKeyCode(_XDisplay* display, unsigned x11KeyCode);

}  // namespace X11KeyMap
}  // namespace platform
