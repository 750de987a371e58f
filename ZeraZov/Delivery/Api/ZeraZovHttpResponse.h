#pragma once
#include <string>

namespace zerazov {

// An HTTP answer of any status, its body already decoded from gzip when the server
// compressed it.
struct ZeraZovHttpResponse {
    int statusCode;
    std::string body;
};

}  // namespace zerazov
