#pragma once
#include <optional>
#include <string>
#include <unordered_map>

#include "Hotkeys/Shortcut.h"

namespace hotkeys {

// Shortcut texts already decoded. Every key press reads each name's record
// again, and the record rarely changes, so the same few texts come back on
// every press: each is parsed once. A text the user edits is new text and is
// decoded afresh, so what is stored always decides.
class DecodedShortcuts {
public:
    // What Shortcut::decode answers for `text`.
    std::optional<Shortcut> decode(const std::string& text) {
        if (const auto known = texts_.find(text); known != texts_.end()) return known->second;
        if (texts_.size() >= kMostTexts) texts_.clear();
        return texts_.emplace(text, Shortcut::decode(text)).first->second;
    }

private:
    // Past this many distinct texts (a run in which shortcuts were recorded
    // over and over) the memo starts again.
    static constexpr std::size_t kMostTexts = 64;

    std::unordered_map<std::string, std::optional<Shortcut>> texts_;
};

}  // namespace hotkeys
