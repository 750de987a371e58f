#pragma once
#include <string>
#include <variant>

namespace zerazov {

// An HTTP answer of any status, its body already decoded from gzip when the server
// compressed it.
struct ZeraZovHttpResponse {
    int statusCode;
    std::string body;
};

// A request that got no HTTP answer: refused or dropped connection, timeout, failed TLS
// verification, an unsupported scheme, or a client shut down while it was in flight.
struct ZeraZovTransportError {
    int code;  // libcurl's CURLcode
    std::string description;
};

// What one request ends in: an HTTP answer of any status, or no answer at all.
using ZeraZovHttpResult = std::variant<ZeraZovTransportError, ZeraZovHttpResponse>;

}  // namespace zerazov
