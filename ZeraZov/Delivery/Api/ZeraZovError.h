#pragma once
#include <string>
#include <type_traits>
#include <variant>

#include "ZeraZov/Delivery/Api/GzipError.h"
#include "ZeraZov/Delivery/Api/ZeraZovHttpTransport.h"

namespace zerazov {

// A successful answer whose body is not JSON.
struct ZeraZovParseError {
    std::string description;
};

// The client's own error value, handed to completions when an answer cannot be used.
struct InternalZeraZovError {
    std::string description;
};

// Every failure the HTTP client hands to a completion; callers that care which layer
// failed look inside with std::get_if, the rest only log the description.
using ZeraZovError = std::variant<ZeraZovTransportError, GzipError, ZeraZovParseError, InternalZeraZovError>;

inline std::string describe(const ZeraZovError& error) {
    return std::visit(
        [](const auto& failure) -> std::string {
            if constexpr (std::is_same_v<std::decay_t<decltype(failure)>, GzipError>) {
                return "gzip error " + std::to_string(failure.kind().status()) + ": " + failure.message();
            } else {
                return failure.description;
            }
        },
        error);
}

}  // namespace zerazov
