#include "Hotkeys/HandlerTable.h"

#include <algorithm>

namespace hotkeys {

std::vector<HandlerTable::Entry>::iterator HandlerTable::find(const Name& name) {
    return std::find_if(entries_.begin(), entries_.end(), [&name](const Entry& entry) { return entry.name == name; });
}

void HandlerTable::add(const Name& name, Action action, std::uint64_t id) {
    auto entry = find(name);
    if (entry == entries_.end()) entry = entries_.insert(entries_.end(), Entry{name, {}});
    entry->actions.emplace_back(id, std::move(action));
}

void HandlerTable::remove(const Name& name) {
    const auto entry = find(name);
    if (entry != entries_.end()) entries_.erase(entry);
}

void HandlerTable::remove(const Name& name, std::uint64_t id) {
    const auto entry = find(name);
    if (entry == entries_.end()) return;
    std::erase_if(entry->actions, [id](const auto& action) { return action.first == id; });
    if (entry->actions.empty()) entries_.erase(entry);
}

std::vector<Name> HandlerTable::names() const {
    std::vector<Name> result;
    result.reserve(entries_.size());
    for (const Entry& entry : entries_) result.push_back(entry.name);
    return result;
}

}  // namespace hotkeys
