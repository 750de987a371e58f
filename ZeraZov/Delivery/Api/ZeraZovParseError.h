#pragma once
#include <string>

namespace zerazov {

// A successful answer whose body is not JSON.
struct ZeraZovParseError {
    std::string description;
};

}  // namespace zerazov
