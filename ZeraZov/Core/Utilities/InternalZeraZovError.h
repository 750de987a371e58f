#pragma once
#include <string>

namespace zerazov {

// The client's own error value, handed to completions when an answer cannot be used.
struct InternalZeraZovError {
    std::string description;
};

}  // namespace zerazov
