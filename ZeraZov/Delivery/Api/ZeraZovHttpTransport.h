#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ZeraZov/Delivery/Api/ZeraZovHttpRequest.h"
#include "ZeraZov/Delivery/Api/ZeraZovHttpResult.h"

namespace zerazov {

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
