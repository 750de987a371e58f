#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zerazov {

// How the HTTP client talks to the network. TLS verification is always on; `caFile`
// only chooses which certificates to trust (the system store when unset).
struct ZeraZovSessionConfiguration {
    using Header = std::pair<std::string, std::string>;

    static constexpr std::chrono::milliseconds defaultTimeout{10000};

    // Sent with every request; the client's own "Content-Type", "User-Agent" and
    // "Accept-Encoding" replace entries of the same name.
    std::vector<Header> additionalHeaders;
    // How long a request may wait for the connection, and afterwards for any byte to
    // move either way, before it fails. A slow transfer that keeps moving is never
    // cut off. Zero or less means the default.
    std::chrono::milliseconds timeout = defaultTimeout;
    std::optional<std::string> caFile;
};

}  // namespace zerazov
