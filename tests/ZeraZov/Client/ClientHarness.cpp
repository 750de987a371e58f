#include "ClientHarness.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <nlohmann/json.hpp>

#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "tests/Platform/Foundation/TextFile.h"
#include "tests/ZeraZov/TestClientEnvironment.h"
#include "tests/support/DebugLogSwitch.h"
#include "tests/support/WaitUntil.h"

namespace zerazov::testing {

CapturedEvents::CapturedEvents(ZeraZovSDK& client)
    : token_(client.onEventCaptured().subscribe([this](const ZeraZovEvent& event) {
          std::lock_guard guard(lock_);
          events_.push_back(event);
      })) {}

std::vector<ZeraZovEvent> CapturedEvents::all() const {
    std::lock_guard guard(lock_);
    return events_;
}

std::vector<std::string> CapturedEvents::names() const {
    std::vector<std::string> names;
    for (const auto& event : all()) names.push_back(event.event);
    return names;
}

ZeraZovEvent CapturedEvents::last() const {
    std::lock_guard guard(lock_);
    return events_.back();
}

std::shared_ptr<ZeraZovConfig> ClientHarness::config(const std::string& token,
                                                     const std::optional<std::string>& host) const {
    auto config = std::make_shared<ZeraZovConfig>(token, host.value_or(server.url()));
    config->debug = true;
    config->disableRemoteConfigForTesting = true;
    config->disableQueueTimerForTesting = true;
    config->disableReachabilityForTesting = true;
    config->disableFlushOnBackgroundForTesting = true;
    config->captureApplicationLifecycleEvents = false;
    config->captureScreenViews = false;
    return config;
}

ZeraZovSDK::Environment ClientHarness::environment() {
    return testClientEnvironment(mainQueue, center, lifecycle, folder.path());
}

std::shared_ptr<ZeraZovSDK> ClientHarness::client(std::shared_ptr<ZeraZovConfig> config) {
    return ZeraZovSDK::with(config ? std::move(config) : this->config(), environment());
}

std::filesystem::path ClientHarness::projectFolder(const std::string& token) const { return folder.path() / token; }

std::filesystem::path ClientHarness::queueFolder(const std::string& token) const {
    return projectFolder(token) / "zerazov.queueFolder.uuid";
}

std::vector<ZeraZovEvent> ClientHarness::queuedEvents(const std::string& token) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(queueFolder(token))) {
        const auto name = entry.path().filename().string();
        if (!ZeraZovQueueFolder::isTemporaryName(name) && name != ZeraZovQueueFolder::spareFolderName) {
            names.push_back(name);
        }
    }
    // Time-ordered ids: the name order is the order of the adds.
    std::sort(names.begin(), names.end());
    std::vector<ZeraZovEvent> events;
    for (const auto& name : names) {
        const auto json = nlohmann::json::parse(foundation_tests::readText(queueFolder(token) / name), nullptr, false);
        if (auto event = ZeraZovEvent::fromJSON(json)) events.push_back(std::move(*event));
    }
    return events;
}

std::vector<nlohmann::json> ClientHarness::uploadedEvents() const {
    std::vector<nlohmann::json> events;
    for (const auto& request : server.requests()) {
        if (request.path != "/batch") continue;
        const auto body = nlohmann::json::parse(request.body);
        for (const auto& event : body["batch"]) events.push_back(event);
    }
    return events;
}

std::size_t ClientHarness::requestsFor(const std::string& path, std::size_t atLeast) const {
    std::size_t count = 0;
    tessivar::testing::waitUntil(
        [&] {
            count = 0;
            for (const auto& request : server.requests()) count += request.path == path;
            return count >= atLeast;
        },
        std::chrono::seconds(5), std::chrono::milliseconds(5));
    return count;
}

long ClientHarness::countLogged(const std::string& line) const {
    const auto lines = logs.lines();
    return std::count(lines.begin(), lines.end(), "[ZeraZov] " + line);
}

}  // namespace zerazov::testing

namespace zerazov::testing {

bool ClientHarness::waitForLogStartingWith(const std::string& text) const {
    return tessivar::testing::waitUntil(
        [&] {
            const auto lines = logs.lines();
            return std::any_of(lines.begin(), lines.end(),
                               [&](const std::string& line) { return line.starts_with("[ZeraZov] " + text); });
        },
        std::chrono::seconds(5), std::chrono::milliseconds(5));
}

}  // namespace zerazov::testing
