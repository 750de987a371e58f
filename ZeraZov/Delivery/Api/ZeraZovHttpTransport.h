#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>
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

class ZeraZovHttpWorker;

// The HTTP client's session: one worker thread runs every request on libcurl's multi
// interface and calls each completion exactly once, on that thread, in the order the
// answers arrive. Follows no redirects, speaks only http and https, always verifies TLS.
class ZeraZovHttpTransport {
public:
    using Completion = std::function<void(ZeraZovHttpResult)>;

    // `caFile`: the certificates to trust instead of the system store.
    explicit ZeraZovHttpTransport(std::optional<std::string> caFile = std::nullopt);
    // Requests still open complete with a transport error before this returns, unless
    // it runs on the worker thread itself (a completion dropping the last owner), where
    // the worker finishes them as it winds down.
    ~ZeraZovHttpTransport();
    ZeraZovHttpTransport(const ZeraZovHttpTransport&) = delete;
    ZeraZovHttpTransport& operator=(const ZeraZovHttpTransport&) = delete;

    // Any thread; returns at once.
    void send(ZeraZovHttpRequest request, Completion completion);

private:
    std::shared_ptr<ZeraZovHttpWorker> worker_;
    std::thread thread_;
};

}  // namespace zerazov
