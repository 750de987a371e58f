#pragma once
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace zerazov {

// One request as the HTTP client built it: nothing is added by the transport except
// what libcurl needs to carry the body.
struct ZeraZovHttpRequest {
    using Header = std::pair<std::string, std::string>;
    enum class Method { get, post };

    Method method = Method::get;
    std::string url;
    std::vector<Header> headers;
    std::string body;  // bytes, sent as is; empty for GET
    // For the connection, then for any byte to move; a transfer that keeps moving
    // may take longer in all.
    std::chrono::milliseconds timeout{0};
    // An upload's outcome is its status: an answer too long to keep is cut short
    // there, where a request that needs the whole answer fails.
    bool answerMayBeCut = false;
};

}  // namespace zerazov
