#include "Hotkeys/DecodedShortcuts.h"

namespace hotkeys {

std::optional<Shortcut> DecodedShortcuts::decode(const std::string& text) {
    if (const auto known = texts_.find(text); known != texts_.end()) return known->second;
    if (texts_.size() >= kMostTexts) texts_.clear();
    return texts_.emplace(text, Shortcut::decode(text)).first->second;
}

}  // namespace hotkeys
