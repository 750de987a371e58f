#include "ZeraZov/Delivery/Reachability/ReachabilityError.h"

namespace zerazov {
namespace {

const char* kindName(ReachabilityError::Kind kind) {
    using Kind = ReachabilityError::Kind;
    switch (kind) {
    case Kind::failedToCreateWithAddress: return "failedToCreateWithAddress";
    case Kind::failedToCreateWithHostname: return "failedToCreateWithHostname";
    case Kind::unableToSetCallback: return "unableToSetCallback";
    case Kind::unableToSetDispatchQueue: return "unableToSetDispatchQueue";
    case Kind::unableToGetFlags: return "unableToGetFlags";
    }
    return "unknown";
}

}  // namespace

std::string ReachabilityError::description() const {
    const std::string payload = kind == Kind::failedToCreateWithHostname ? host + ", " : "";
    return std::string(kindName(kind)) + "(" + payload + std::to_string(code) + ")";
}

}  // namespace zerazov
