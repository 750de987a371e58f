#pragma once
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "Hotkeys/Name.h"

namespace hotkeys {

// Actions per name: the names in the order they first got an action, each
// name's actions in the order they were added. A name leaves the table with its
// last action, so a name in the table always has something to run.
class HandlerTable {
public:
    using Action = std::function<void()>;
    struct Entry {
        Name name;
        std::vector<std::pair<std::uint64_t, Action>> actions;
    };

    // `id` lets one action be removed again (event streams); handlers pass 0.
    void add(const Name& name, Action action, std::uint64_t id = 0);
    void remove(const Name& name);
    void remove(const Name& name, std::uint64_t id);
    void clear() { entries_.clear(); }

    std::vector<Name> names() const;
    // A copy: running an action may change the table.
    std::vector<Entry> entries() const { return entries_; }

private:
    std::vector<Entry>::iterator find(const Name& name);

    std::vector<Entry> entries_;
};

}  // namespace hotkeys
