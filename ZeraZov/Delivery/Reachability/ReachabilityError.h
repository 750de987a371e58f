#pragma once
#include <cstdint>

namespace zerazov {

// Why the reachability monitor could not be made, started or read. The code is the
// backend's (an errno value on Linux).
struct ReachabilityError {
    enum class Kind {
        failedToCreateWithAddress,  // the backend did not come up
        unableToSetCallback,
        unableToSetDispatchQueue,
        unableToGetFlags,
    };

    Kind kind;
    std::int32_t code;

    bool operator==(const ReachabilityError&) const = default;
};

}  // namespace zerazov
