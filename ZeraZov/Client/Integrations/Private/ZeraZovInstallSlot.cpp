#include "ZeraZov/Client/Integrations/Private/ZeraZovInstallSlot.h"

#include <utility>

namespace zerazov {

bool ZeraZovInstallSlot::claim() {
    std::lock_guard guard(lock_);
    return !std::exchange(installed_, true);
}

void ZeraZovInstallSlot::release() {
    std::lock_guard guard(lock_);
    installed_ = false;
}

}  // namespace zerazov
