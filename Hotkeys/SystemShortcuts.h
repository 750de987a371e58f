#pragma once
#include <cstdint>
#include <vector>

#include "Hotkeys/Shortcut.h"

namespace platform {
class DesktopKeyBindings;
class HotKeyService;
class KeyboardLayout;
}  // namespace platform

namespace hotkeys {

// The shortcuts other programs use, for a recorder's conflict check. Nothing on
// X lists another client's grabs, so a candidate is tried instead: the server
// refuses a grab someone else holds (the trial grab is given back at once). The
// desktop's own bindings are read from where it keeps them, since a desktop
// may grab a binding only while it is needed. What neither shows (a program
// that watches raw input, a binding of a desktop we cannot read) is not found.
class SystemShortcuts {
public:
    // Each service may be null and then adds nothing; they outlive this object.
    SystemShortcuts(platform::HotKeyService* hotKeys, platform::DesktopKeyBindings* bindings,
                    platform::KeyboardLayout* layout);

    // The desktop's bindings that read as shortcuts, read afresh.
    std::vector<Shortcut> systemShortcuts() const;
    // Whether another program holds the shortcut or the desktop binds it. Our own
    // hot keys count too unless they are released (the registry is paused).
    bool isTaken(const Shortcut& shortcut) const;

    // The signature of the trial grabs: no hot-key handler of ours answers it.
    static constexpr std::uint32_t kProbeSignature = 0x53534B50;  // "SSKP"

private:
    bool isGrabbedElsewhere(const Shortcut& shortcut) const;

    platform::HotKeyService* hotKeys_;
    platform::DesktopKeyBindings* bindings_;
    platform::KeyboardLayout* layout_;
};

}  // namespace hotkeys
