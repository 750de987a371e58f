#include "Hotkeys/Shortcut.h"

#include <limits>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Private/Capitalization.h"
#include "Hotkeys/Private/SymbolKeys.h"
#include "Hotkeys/Registry.h"
#include "Platform/Foundation/BoundedJSON.h"
#include "Platform/HotKeys/KeyboardLayout.h"

namespace hotkeys {

namespace {

constexpr const char* kUnknownCharacter = "\uFFFD";
constexpr const char* kKeyCodeMember = "carbonKeyCode";
constexpr const char* kModifiersMember = "carbonModifiers";

// A member that holds an integer a signed 64-bit field can take.
std::optional<std::int64_t> integerMember(const nlohmann::json& object, const char* name) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_number_integer()) return std::nullopt;
    if (it->is_number_unsigned() &&
        it->get<std::uint64_t>() > std::uint64_t(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    return it->get<std::int64_t>();
}

}  // namespace

Shortcut::Shortcut(Key key, ModifierFlags modifiers)
    : carbonKeyCode(key.rawValue), carbonModifiers(reducedCarbonModifiers(modifiers.carbon())) {}

Shortcut::Shortcut(std::int64_t keyCode, std::int64_t carbonMask)
    : carbonKeyCode(keyCode), carbonModifiers(reducedCarbonModifiers(carbonMask)) {}

std::optional<Shortcut> Shortcut::fromKeyEvent(bool isKeyDownOrUp, std::int64_t keyCode, ModifierFlags flags) {
    if (!isKeyDownOrUp) return std::nullopt;
    // Arrow and function keys arrive with the function flag set by the keyboard
    // itself; keeping it would make Command-→ a different shortcut from the one
    // the user meant.
    flags.rawValue &= ~ModifierFlags::function;
    return Shortcut(keyCode, flags.carbon());
}

std::optional<Shortcut> Shortcut::fromName(const Name& name) { return getShortcut(name); }

std::string Shortcut::description() const {
    std::string text = modifiers().presentableDescription();
    if (const auto special = specialKey(carbonKeyCode)) return text + presentableDescription(*special);
    return text + capitalized(keyToCharacter().value_or(kUnknownCharacter));
}

std::optional<std::string> Shortcut::keyEquivalent() const {
    if (const auto special = specialKey(carbonKeyCode)) return hotkeys::keyEquivalent(*special);
    return keyToCharacter();
}

std::optional<std::string> Shortcut::keyToCharacter() const {
    const Registry* registry = Registry::installed();
    platform::KeyboardLayout* layout = registry ? registry->keyboardLayout() : nullptr;
    if (!layout || specialKey(carbonKeyCode)) return std::nullopt;
    // Only an edited stored record gets here with such a code; the layout
    // speaks 16-bit key codes and would read a truncated one as another key.
    if (carbonKeyCode < 0 || carbonKeyCode > std::numeric_limits<std::uint16_t>::max()) return std::nullopt;
    auto character = layout->character(static_cast<std::uint16_t>(carbonKeyCode));
    if (character && character->empty()) return std::nullopt;
    return character;
}

std::string Shortcut::encoded() const {
    return std::string("{\"") + kKeyCodeMember + "\":" + std::to_string(carbonKeyCode) + ",\"" + kModifiersMember +
           "\":" + std::to_string(carbonModifiers) + "}";
}

std::optional<Shortcut> Shortcut::decode(std::string_view text) {
    // Text from the settings file, which may have been edited into anything.
    const auto parsed = platform::BoundedJSON::parse(text);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    const auto& json = *parsed;
    const auto keyCode = integerMember(json, kKeyCodeMember);
    const auto mask = integerMember(json, kModifiersMember);
    if (!keyCode || !mask) return std::nullopt;
    return Shortcut(Raw{}, *keyCode, *mask);
}

}  // namespace hotkeys
