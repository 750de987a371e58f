#include "ZeraZov/Delivery/Api/Private/ZeraZovURLBuilder.h"

#include <memory>
#include <string_view>

#include "ZeraZov/Delivery/Api/Private/ZeraZovCurl.h"

namespace zerazov {
namespace {

struct URLHandleDeleter {
    void operator()(CURLU* handle) const { ZeraZovCurl::loaded().url_cleanup(handle); }
};
using URLHandle = std::unique_ptr<CURLU, URLHandleDeleter>;

// Any scheme parses here; the transport decides which ones it will speak.
URLHandle parsed(std::string_view text) {
    if (ZeraZovCurl::library() == nullptr) return nullptr;
    URLHandle handle(ZeraZovCurl::loaded().url());
    if (!handle) return nullptr;
    const std::string owned(text);
    if (ZeraZovCurl::loaded().url_set(handle.get(), CURLUPART_URL, owned.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
        CURLUE_OK)
        return nullptr;
    return handle;
}

std::optional<std::string> part(CURLU* handle, CURLUPart which) {
    char* text = nullptr;
    if (ZeraZovCurl::loaded().url_get(handle, which, &text, 0) != CURLUE_OK) return std::nullopt;
    std::string copy(text);
    ZeraZovCurl::loaded().free(text);
    return copy;
}

bool setPart(CURLU* handle, CURLUPart which, const std::optional<std::string>& value) {
    return ZeraZovCurl::loaded().url_set(handle, which, value ? value->c_str() : nullptr, 0) == CURLUE_OK;
}

// Every run of slashes becomes one.
std::string collapsedSlashes(std::string_view path) {
    std::string collapsed;
    collapsed.reserve(path.size());
    for (const char c : path) {
        if (c == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
        collapsed.push_back(c);
    }
    return collapsed;
}

std::optional<std::string> encodedQuery(const std::vector<ZeraZovURLBuilder::QueryItem>& items) {
    if (items.empty()) return std::nullopt;
    std::string query;
    for (const auto& [name, value] : items) {
        if (!query.empty()) query += '&';
        query += ZeraZovURLBuilder::percentEncoded(name) + '=' + ZeraZovURLBuilder::percentEncoded(value);
    }
    return query;
}

}  // namespace

std::optional<std::string> ZeraZovURLBuilder::endpoint(std::string_view host, std::string_view endpointPath,
                                                       const std::vector<QueryItem>& queryItems) {
    const auto url = parsed(host);
    if (!url) return std::nullopt;
    const auto hostPath = part(url.get(), CURLUPART_PATH);
    if (!hostPath) return std::nullopt;
    const auto path = collapsedSlashes(*hostPath + "/" + std::string(endpointPath));
    if (!setPart(url.get(), CURLUPART_PATH, path)) return std::nullopt;
    if (!setPart(url.get(), CURLUPART_QUERY, encodedQuery(queryItems))) return std::nullopt;
    return part(url.get(), CURLUPART_URL);
}

std::optional<std::string> ZeraZovURLBuilder::appendingPathSegments(std::string_view base,
                                                                    const std::vector<std::string>& segments) {
    const auto url = parsed(base);
    if (!url) return std::nullopt;
    auto path = part(url.get(), CURLUPART_PATH);
    if (!path) return std::nullopt;
    for (const auto& segment : segments) {
        if (path->empty() || path->back() != '/') *path += '/';
        *path += percentEncoded(segment);
    }
    if (!setPart(url.get(), CURLUPART_PATH, *path)) return std::nullopt;
    return part(url.get(), CURLUPART_URL);
}

std::string ZeraZovURLBuilder::percentEncoded(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            encoded += c;
            continue;
        }
        encoded += '%';
        encoded += hex[byte >> 4];
        encoded += hex[byte & 0x0f];
    }
    return encoded;
}

}  // namespace zerazov
