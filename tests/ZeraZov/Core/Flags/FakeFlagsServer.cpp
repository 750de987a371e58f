#include "FakeFlagsServer.h"

#include <chrono>

namespace zerazov::testing {

namespace {
constexpr auto kPatience = std::chrono::seconds(5);
}

ZeraZovRemoteConfig::Requests FakeFlagsServer::requests() {
    return {[this](Completion completion) {
                std::lock_guard guard(lock_);
                configs_.push_back(std::move(completion));
                changed_.notify_all();
                return canBuildConfigRequest;
            },
            [this](ZeraZovRemoteConfig::FlagsRequest request, Completion completion) {
                std::lock_guard guard(lock_);
                flags_.emplace_back(std::move(request), std::move(completion));
                changed_.notify_all();
            }};
}

template <typename Predicate>
bool FakeFlagsServer::waitFor(Predicate predicate) {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, kPatience, predicate);
}

bool FakeFlagsServer::waitForFlagsRequests(std::size_t count) {
    return waitFor([&] { return flags_.size() >= count; });
}

bool FakeFlagsServer::waitForConfigRequest() {
    return waitFor([&] { return !configs_.empty(); });
}

ZeraZovRemoteConfig::FlagsRequest FakeFlagsServer::flagsRequest(std::size_t index) {
    std::lock_guard guard(lock_);
    return flags_.at(index).first;
}

std::size_t FakeFlagsServer::flagsRequestCount() {
    std::lock_guard guard(lock_);
    return flags_.size();
}

void FakeFlagsServer::answerFlags(std::size_t index, std::optional<nlohmann::json> response) {
    Completion completion;
    {
        std::lock_guard guard(lock_);
        completion = flags_.at(index).second;
    }
    completion(std::move(response));
}

void FakeFlagsServer::answerConfig(std::optional<nlohmann::json> document) {
    Completion completion;
    {
        std::lock_guard guard(lock_);
        completion = configs_.at(0);
    }
    completion(std::move(document));
}

ZeraZovRemoteConfig::FlagsCallback FlagsAnswers::callback() {
    return [this](const std::optional<nlohmann::json>& flags) {
        std::lock_guard guard(lock_);
        received_.push_back(flags);
        changed_.notify_all();
    };
}

bool FlagsAnswers::waitFor(std::size_t count) {
    std::unique_lock lock(lock_);
    return changed_.wait_for(lock, kPatience, [&] { return received_.size() >= count; });
}

std::vector<std::optional<nlohmann::json>> FlagsAnswers::received() {
    std::lock_guard guard(lock_);
    return received_;
}

}  // namespace zerazov::testing
