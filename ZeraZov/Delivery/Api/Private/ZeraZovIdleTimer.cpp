#include "ZeraZov/Delivery/Api/Private/ZeraZovIdleTimer.h"

namespace zerazov {

bool ZeraZovIdleTimer::hasStalled(std::int64_t movedBytes, Time now) {
    if (movedBytes_ != movedBytes) {
        movedBytes_ = movedBytes;
        lastMove_ = now;
        return false;
    }
    return now - lastMove_ >= timeout_;
}

}  // namespace zerazov
