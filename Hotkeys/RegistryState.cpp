#include "Hotkeys/RegistryState.h"

namespace Hotkeys {

RegistryState& RegistryState::shared() {
    static RegistryState state;
    return state;
}

}  // namespace Hotkeys
