#pragma once
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace zerazov {

// What the client knows at the moment a log is captured, gathered by the client
// (each value under its own lock) and handed to the log capture all at once.
struct ZeraZovLogContext {
    std::optional<std::string> distinctId;  // an empty id counts as none
    std::optional<std::string> sessionId;   // read without starting or rotating a session
    std::optional<std::string> screenName;  // the last screen shown
    bool appInBackground = false;
    nlohmann::json featureFlags = nlohmann::json::object();  // the cached flags, key -> value
};

}  // namespace zerazov
