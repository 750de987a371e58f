// A shortcut record as the settings file keeps it under "Hotkeys_<name>": JSON
// text anyone can edit. A record that reads must write and read back as the same
// shortcut, and the menu's texts for it must come out whatever its numbers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Hotkeys/Shortcut.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/support/ScratchHotkeysRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using hotkeys::Shortcut;
    // Descriptions read the keyboard layout through the installed registry; none here.
    static const tessivar::testing::ScratchHotkeysRegistry registry(nullptr);
    const auto shortcut = Shortcut::decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!shortcut) return 0;
    fuzzing::check(Shortcut::decode(shortcut->encoded()) == shortcut, "a stored shortcut reads back unchanged");
    fuzzing::check(!shortcut->description().empty(), "every shortcut has a menu text");
    static_cast<void>(shortcut->keyEquivalent());
    return 0;
}
