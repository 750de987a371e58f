#include "ZeraZov/Delivery/Endpoints/BatchLimits.h"

#include <algorithm>

namespace zerazov {

BatchLimits BatchLimits::initial(std::int64_t cap, std::int64_t flushAt) {
    return {std::max<std::int64_t>(1, cap), std::max<std::int64_t>(1, flushAt)};
}

BatchLimits BatchLimits::halvedFor(std::size_t batchSize) const {
    const auto sent = std::min(static_cast<std::int64_t>(batchSize), cap);
    const auto newCap = std::max<std::int64_t>(1, sent / 2);
    return {newCap, std::max<std::int64_t>(1, std::min(newCap, flushAt / 2))};
}

}  // namespace zerazov
