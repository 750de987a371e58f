#pragma once
#include <cstdint>
#include <string>

namespace zerazov {

// Why the reachability monitor could not be made, started or read. The code is the
// backend's (an errno value on Linux).
struct ReachabilityError {
    enum class Kind {
        failedToCreateWithAddress,  // the backend did not come up
        // A monitor of one host's reachability could not be made. Only the default
        // route is watched here, so nothing raises it; it keeps the set of causes
        // whole for code that tells them apart.
        failedToCreateWithHostname,
        unableToSetCallback,
        unableToSetDispatchQueue,
        unableToGetFlags,
    };

    Kind kind;
    std::int32_t code;
    std::string host = {};  // the host's name, for failedToCreateWithHostname only

    // The cause by its name with what it carries: "unableToGetFlags(5)",
    // "failedToCreateWithHostname(example.com, 5)".
    std::string description() const;

    bool operator==(const ReachabilityError&) const = default;
};

}  // namespace zerazov
