#include "ZeraZov/Client/Private/DeepLinkProperties.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

namespace zerazov {
namespace {

bool isSchemeCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

// The scheme without its ":", when the text starts with one.
std::optional<std::string> scheme(const std::string& url) {
    const auto colon = url.find(':');
    if (colon == 0 || colon == std::string::npos || !std::isalpha(static_cast<unsigned char>(url[0]))) {
        return std::nullopt;
    }
    const auto name = url.substr(0, colon);
    if (!std::all_of(name.begin(), name.end(), isSchemeCharacter)) return std::nullopt;
    return name;
}

}  // namespace

std::optional<std::string> urlHost(const std::string& url) {
    const auto name = scheme(url);
    if (!name || url.compare(name->size(), 3, "://") != 0) return std::nullopt;
    const auto start = name->size() + 3;
    auto authority = url.substr(start, url.find_first_of("/?#", start) - start);
    if (const auto at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    std::string host;
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string::npos) return std::nullopt;
        host = authority.substr(1, close - 1);
    } else {
        host = authority.substr(0, authority.find(':'));
    }
    if (host.empty()) return std::nullopt;
    return host;
}

bool isFileURL(const std::string& url) {
    auto name = scheme(url);
    if (!name) return false;
    std::transform(name->begin(), name->end(), name->begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return *name == "file";
}

nlohmann::json deepLinkProperties(const std::string& url, const std::optional<std::string>& referrer) {
    nlohmann::json properties{{"url", url}};
    if (!referrer) return properties;
    properties["$referrer"] = *referrer;
    if (auto host = urlHost(*referrer)) properties["$referring_domain"] = std::move(*host);
    return properties;
}

}  // namespace zerazov
