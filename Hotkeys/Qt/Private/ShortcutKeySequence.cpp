#include "Hotkeys/Qt/Private/ShortcutKeySequence.h"

#include <QList>

#include <map>

namespace hotkeys::ShortcutKeySequence {

namespace {

constexpr char32_t kF1KeyEquivalent = 0xF704;
constexpr int kFunctionKeys = 20;

// The special keys' symbols, as menus know them.
const std::map<char32_t, Qt::Key>& specialKeys() {
    static const std::map<char32_t, Qt::Key> keys{
        {U'↩', Qt::Key_Return}, {U'⌫', Qt::Key_Backspace}, {U'⌦', Qt::Key_Delete}, {U'↘', Qt::Key_End},
        {U'⎋', Qt::Key_Escape}, {U'↖', Qt::Key_Home},      {U' ', Qt::Key_Space},  {U'⇥', Qt::Key_Tab},
        {U'⇞', Qt::Key_PageUp}, {U'⇟', Qt::Key_PageDown},  {U'↑', Qt::Key_Up},     {U'→', Qt::Key_Right},
        {U'↓', Qt::Key_Down},   {U'←', Qt::Key_Left},
    };
    return keys;
}

std::optional<Qt::Key> specialKey(const QString& text) {
    // The help key's symbol is a question mark in an enclosing circle.
    if (text == QStringLiteral(u"?\u20DD")) return Qt::Key_Help;
    const auto scalars = text.toUcs4();
    if (scalars.size() != 1) return std::nullopt;
    const char32_t scalar = scalars.front();
    if (scalar >= kF1KeyEquivalent && scalar < kF1KeyEquivalent + kFunctionKeys) {
        return static_cast<Qt::Key>(Qt::Key_F1 + static_cast<int>(scalar - kF1KeyEquivalent));
    }
    const auto found = specialKeys().find(scalar);
    if (found == specialKeys().end()) return std::nullopt;
    return found->second;
}

// A character key by what it types: Qt reads a lone character as its key.
std::optional<Qt::Key> characterKey(const QString& text) {
    const QKeySequence sequence = QKeySequence::fromString(text, QKeySequence::PortableText);
    if (sequence.count() != 1 || sequence[0].keyboardModifiers() != Qt::NoModifier) return std::nullopt;
    return sequence[0].key();
}

}  // namespace

Qt::KeyboardModifiers modifiers(ModifierFlags flags) {
    Qt::KeyboardModifiers result;
    if (flags.contains(ModifierFlags::control)) result |= Qt::ControlModifier;
    if (flags.contains(ModifierFlags::option)) result |= Qt::AltModifier;
    if (flags.contains(ModifierFlags::shift)) result |= Qt::ShiftModifier;
    if (flags.contains(ModifierFlags::command)) result |= Qt::MetaModifier;
    return result;
}

QKeySequence fromKeyEquivalent(const std::string& keyEquivalent, ModifierFlags flags) {
    if (keyEquivalent.empty()) return {};
    const QString text = QString::fromStdString(keyEquivalent);
    auto key = specialKey(text);
    if (!key) key = characterKey(text);
    if (!key) return {};
    return QKeySequence(QKeyCombination(modifiers(flags), *key));
}

QKeySequence fromShortcut(const Shortcut& shortcut) {
    return fromKeyEquivalent(shortcut.keyEquivalent().value_or(""), shortcut.modifiers());
}

}  // namespace hotkeys::ShortcutKeySequence
