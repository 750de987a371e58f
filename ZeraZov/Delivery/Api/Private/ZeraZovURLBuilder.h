#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zerazov {

// The URLs of the analytics requests, built from the configured host with libcurl's
// URL parser so that odd hosts are refused instead of half-understood.
class ZeraZovURLBuilder {
public:
    using QueryItem = std::pair<std::string, std::string>;

    // The host with `endpointPath` appended to its own path, runs of "/" collapsed, and
    // its query replaced by `queryItems` (percent-encoded; none leaves no query).
    // Nothing when the host is no absolute URL.
    static std::optional<std::string> endpoint(std::string_view host, std::string_view endpointPath,
                                               const std::vector<QueryItem>& queryItems);

    // `base` with the segments appended to its path, each percent-encoded, so a
    // token cannot add path segments or a query of its own. Nothing when the base is
    // no absolute URL.
    static std::optional<std::string> appendingPathSegments(std::string_view base,
                                                            const std::vector<std::string>& segments);

    // RFC 3986 percent-encoding of everything but the unreserved characters.
    static std::string percentEncoded(std::string_view text);
};

}  // namespace zerazov
