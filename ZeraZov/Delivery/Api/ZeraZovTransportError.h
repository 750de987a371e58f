#pragma once
#include <string>

namespace zerazov {

// A request that got no HTTP answer: refused or dropped connection, timeout, failed TLS
// verification, an unsupported scheme, or a client shut down while it was in flight.
struct ZeraZovTransportError {
    int code;  // libcurl's CURLcode
    std::string description;
};

}  // namespace zerazov
