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

// The keypad's keys by Carbon key code: they have no menu key equivalent (a
// menu character cannot tell them from the main keys), Qt's keypad flag can.
std::optional<Qt::Key> keypadKey(std::int64_t carbonKeyCode) {
    static const std::map<std::int64_t, Qt::Key> keys{
        {82, Qt::Key_0},     {83, Qt::Key_1},        {84, Qt::Key_2},     {85, Qt::Key_3},     {86, Qt::Key_4},
        {87, Qt::Key_5},     {88, Qt::Key_6},        {89, Qt::Key_7},     {91, Qt::Key_8},     {92, Qt::Key_9},
        {71, Qt::Key_Clear}, {65, Qt::Key_Period},   {75, Qt::Key_Slash}, {76, Qt::Key_Enter}, {81, Qt::Key_Equal},
        {78, Qt::Key_Minus}, {67, Qt::Key_Asterisk}, {69, Qt::Key_Plus},
    };
    const auto found = keys.find(carbonKeyCode);
    if (found == keys.end()) return std::nullopt;
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
    if (const auto key = keypadKey(shortcut.carbonKeyCode)) {
        return QKeySequence(QKeyCombination(modifiers(shortcut.modifiers()) | Qt::KeypadModifier, *key));
    }
    return fromKeyEquivalent(shortcut.keyEquivalent().value_or(""), shortcut.modifiers());
}

}  // namespace hotkeys::ShortcutKeySequence
