#pragma once

namespace tessivar {

// Rebuilds the status item and its menu from the current displays and shortcuts.
class StatusMenu {
public:
    virtual ~StatusMenu() = default;
    virtual void rebuild() = 0;
};

}  // namespace tessivar
