#pragma once
#include <nlohmann/json_fwd.hpp>

namespace zerazov {

// An application's last look at the properties of every event before it is
// queued: it answers the properties to use in their place.
class ZeraZovPropertiesSanitizer {
public:
    virtual ~ZeraZovPropertiesSanitizer() = default;
    virtual nlohmann::json sanitize(nlohmann::json properties) = 0;
};

}  // namespace zerazov
