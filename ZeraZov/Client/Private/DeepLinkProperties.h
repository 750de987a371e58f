#pragma once
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace zerazov {

// The properties of a "Deep Link Opened" event: "url", and "$referrer" with
// "$referring_domain" (the referrer's host, when it is a URL with one).
nlohmann::json deepLinkProperties(const std::string& url, const std::optional<std::string>& referrer);

// The host of an absolute URL with an authority ("https://user@host:8080/x" -> "host");
// nothing for anything else.
std::optional<std::string> urlHost(const std::string& url);

bool isFileURL(const std::string& url);

}  // namespace zerazov
