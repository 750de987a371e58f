#pragma once
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"

namespace zerazov::testing {

// Stands in for the HTTP client: records the remote configuration's requests and
// answers each one when the test says so, on the test's thread.
class FakeFlagsServer {
public:
    using Completion = ZeraZovRemoteConfig::JSONCompletion;

    ZeraZovRemoteConfig::Requests requests();

    // Wait (at most a few seconds) for the request with this index; false when it never came.
    bool waitForFlagsRequests(std::size_t count);
    bool waitForConfigRequest();
    ZeraZovRemoteConfig::FlagsRequest flagsRequest(std::size_t index);
    std::size_t flagsRequestCount();

    void answerFlags(std::size_t index, std::optional<nlohmann::json> response);
    void answerConfig(std::optional<nlohmann::json> document);

    // What the remote-configuration request reports about itself.
    bool canBuildConfigRequest = true;

private:
    template <typename Predicate>
    bool waitFor(Predicate predicate);

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::pair<ZeraZovRemoteConfig::FlagsRequest, Completion>> flags_;
    std::vector<Completion> configs_;
};

// Collects what flag-load callbacks receive, in order, from any thread.
class FlagsAnswers {
public:
    ZeraZovRemoteConfig::FlagsCallback callback();
    bool waitFor(std::size_t count);
    std::vector<std::optional<nlohmann::json>> received();

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::optional<nlohmann::json>> received_;
};

}  // namespace zerazov::testing
